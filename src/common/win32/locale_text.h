#pragma once

#include "common/locale_text.h"

namespace trackkit {

// Dates, times and byte sizes as Windows formats them for the current user:
// the FILETIME is converted to local time (FileTimeToLocalFileTime, then
// FileTimeToSystemTime) and formatted with GetDateFormatW (short date) and
// GetTimeFormatW; sizes come from StrFormatByteSizeW, counts from
// GetNumberFormatEx. Each text fits a buffer of 128 characters.
class WindowsLocaleText final : public LocaleText {
public:
    std::optional<std::wstring> LocalShortDate(std::uint64_t fileTimeUtc) override;
    std::optional<std::wstring> LocalTime(std::uint64_t fileTimeUtc) override;
    std::wstring ByteSize(std::int64_t bytes) override;
    // GetNumberFormatEx with the user's separator and grouping, no decimals.
    std::wstring Count(std::uint64_t count) override;
};

} // namespace trackkit
