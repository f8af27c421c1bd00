#pragma once

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

} // namespace trackkit
