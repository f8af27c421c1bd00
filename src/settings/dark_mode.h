#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace trackkit {

// The dark-mode choice that the maker's programs share, under the current
// user's key.
inline constexpr std::wstring_view kSharedSettingsKeyPath = L"Software\\Quillon\\Common";
inline constexpr std::wstring_view kDarkModeValue = L"DarkModeEx";
inline constexpr std::wstring_view kOlderDarkModeValue = L"DarkMode";  // read when DarkModeEx cannot be
inline constexpr std::uint32_t kDarkModeFollowWindows = 4;

// Windows' own app theme, also under the current user's key.
inline constexpr std::wstring_view kWindowsPersonalizeKeyPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr std::wstring_view kAppsUseLightThemeValue = L"AppsUseLightTheme";

// Read-only access to the values under the keys of one registry root (the
// current user's, for the dark-mode query).
class RegistryReader {
public:
    virtual ~RegistryReader() = default;

    // A value of at most four bytes, whatever its registry type, as a
    // little-endian number: a shorter value fills the low bytes and an empty
    // one reads 0. Nothing when the key or the value is missing, cannot be
    // read, or is longer than four bytes. Never creates a key.
    virtual std::optional<std::uint32_t> ReadDword(std::wstring_view keyPath, std::wstring_view valueName) const = 0;
};

// Whether the user wants dark colours: DarkModeEx (or, when it cannot be
// read, DarkMode) 0 or unreadable means light, 4 means "as Windows' apps"
// (dark unless AppsUseLightTheme reads non-zero), anything else dark. Reads
// the registry on every call and keeps nothing.
bool QueryDarkMode(const RegistryReader& currentUser);

} // namespace trackkit
