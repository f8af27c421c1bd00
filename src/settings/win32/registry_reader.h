#pragma once

#include <windows.h>

#include "settings/dark_mode.h"

namespace trackkit {

// The values below one registry root, read the way the maker's programs read
// their shared settings: the key opened for querying only, the value into a
// four-byte number. By default the root is the current user's key.
class WindowsRegistryReader final : public RegistryReader {
public:
    explicit WindowsRegistryReader(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    std::optional<std::uint32_t> ReadDword(std::wstring_view keyPath, std::wstring_view valueName) const override;

private:
    HKEY root_;
};

// QueryDarkMode against the current user's registry, read afresh.
bool QueryDarkMode();

} // namespace trackkit
