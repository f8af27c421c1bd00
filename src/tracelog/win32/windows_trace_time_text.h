#pragma once

#include <cstdint>
#include <string>

#include "tracelog/trace_texts.h"

namespace trackkit {

// The Date and Time columns as Windows formats them for the user: the
// FILETIME as stored (no local-time conversion) through FileTimeToSystemTime,
// then GetDateFormatW with the user's default locale and picture, and
// GetTimeFormatW with the user's time picture (LOCALE_STIMEFORMAT). The table
// shows the time as the user's format has it; copies and exports keep the
// milliseconds too, put after the seconds behind the user's decimal
// separator. The picture and the separator are read once, when the object
// is made; the last date and time made are kept, since neighbouring records
// share them and Windows' formatting is slow next to everything else.
class WindowsTraceTimeText final : public TraceTimeText {
public:
    explicit WindowsTraceTimeText(bool withMilliseconds = false);
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override;

private:
    bool withMilliseconds_;
    std::wstring picture_;
    std::wstring decimalSeparator_;
    std::uint64_t dateKey_ = ~std::uint64_t{0};
    std::uint64_t timeKey_ = ~std::uint64_t{0};
    wchar_t date_[TraceColumnTexts::kDateChars] = {};
    wchar_t time_[TraceColumnTexts::kTimeChars] = {};
};

} // namespace trackkit
