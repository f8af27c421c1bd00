#pragma once

#include "tracelog/trace_texts.h"
#include "tracking/statistics.h"

namespace trackkit {

// Locale texts without a locale, for the console demonstration and for
// platforms without Windows' formatting: ISO dates, 24-hour UTC times and
// byte sizes with three significant digits, the way Windows rounds them
// ("1.50 GB", "976 KB", "100 bytes").
class PlainLocaleText final : public LocaleText {
public:
    std::optional<std::wstring> LocalShortDate(std::uint64_t fileTimeUtc) override;
    std::optional<std::wstring> LocalTime(std::uint64_t fileTimeUtc) override;
    std::wstring ByteSize(std::int64_t bytes) override;
};

std::wstring FormatByteSizeText(std::int64_t bytes);

// The trace log's date and time texts without a locale: "YYYY-MM-DD" and
// "hh:mm:ss" of the stored time, built in place (a load formats millions).
// Fails for the values Windows cannot convert either (2^63 and above).
class PlainTraceTimeText final : public TraceTimeText {
public:
    bool Format(std::uint64_t fileTime, wchar_t (&date)[TraceColumnTexts::kDateChars],
                wchar_t (&time)[TraceColumnTexts::kTimeChars]) override;
};

} // namespace trackkit
