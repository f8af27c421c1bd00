#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"

namespace trackkit {

// Texts that follow the user's locale: Windows' short date, time, rounded
// byte size ("1.50 GB") and counts with their digits grouped ("1,224,940").
// A time that cannot be converted gives nothing.
inline constexpr int kLocaleTextChars = 128;  // the buffer each text fits

class LocaleText {
public:
    virtual ~LocaleText() = default;
    virtual std::optional<std::wstring> LocalShortDate(std::uint64_t fileTimeUtc) = 0;
    virtual std::optional<std::wstring> LocalTime(std::uint64_t fileTimeUtc) = 0;
    virtual std::wstring ByteSize(std::int64_t bytes) = 0;
    // Without a locale's own grouping: commas between groups of three.
    virtual std::wstring Count(std::uint64_t count) { return GroupedDigits(count); }
};

} // namespace trackkit
