#pragma once

#include <string>

#include "tracelog/trace_texts.h"

namespace trackkit {

// The Date and Time columns as Windows formats them for the user: the
// FILETIME as stored (no local-time conversion) through FileTimeToSystemTime,
// then GetDateFormatW with the user's default locale and picture, and
// GetTimeFormatW with the user's time picture (LOCALE_STIMEFORMAT) given the
// milliseconds after the seconds, behind the user's decimal separator. The
// picture and the separator are read once, when the object is made.
class WindowsTraceTimeText final : public TraceTimeText {
public:
    WindowsTraceTimeText();
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override;

private:
    std::wstring picture_;
    std::wstring decimalSeparator_;
};

} // namespace trackkit
