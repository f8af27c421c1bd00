#pragma once

#include "tracelog/trace_texts.h"

namespace trackkit {

// The Date and Time columns as Windows formats them for the user: the
// FILETIME as stored (no local-time conversion) through FileTimeToSystemTime,
// then GetDateFormatW and GetTimeFormatW with the user's default locale,
// flags 0 and no picture.
class WindowsTraceTimeText final : public TraceTimeText {
public:
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override;
};

} // namespace trackkit
