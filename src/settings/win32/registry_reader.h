#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/dark_mode.h"

namespace trackkit {

// The values below one registry root, read the way the maker's programs read
// their shared settings: the key opened for querying only, the value into a
// four-byte number. By default the root is the current user's key.
class WindowsRegistryReader final : public RegistryReader {
public:
    explicit WindowsRegistryReader(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    std::optional<std::uint32_t> ReadDword(std::wstring_view keyPath, std::wstring_view valueName) const override;

    // A value's data of any registry type into `buffer`: how many bytes it
    // has, or nothing when the key or the value is missing, cannot be read,
    // or is longer than the buffer. Never creates a key.
    std::optional<std::size_t> ReadBytes(std::wstring_view keyPath, std::wstring_view valueName,
                                         std::span<std::uint8_t> buffer) const;

private:
    HKEY root_;
};

// QueryDarkMode against the current user's registry, read afresh.
bool QueryDarkMode();

} // namespace trackkit
