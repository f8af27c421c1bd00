#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trackkit {

// Texts that follow the user's locale: Windows' short date, time and rounded
// byte size ("1.50 GB"). A time that cannot be converted gives nothing.
inline constexpr int kLocaleTextChars = 128;  // the buffer each text fits

class LocaleText {
public:
    virtual ~LocaleText() = default;
    virtual std::optional<std::wstring> LocalShortDate(std::uint64_t fileTimeUtc) = 0;
    virtual std::optional<std::wstring> LocalTime(std::uint64_t fileTimeUtc) = 0;
    virtual std::wstring ByteSize(std::int64_t bytes) = 0;
};

} // namespace trackkit
