#include "settings/dark_mode.h"

namespace trackkit {
namespace {

// DarkModeEx wins whenever it can be read, even when it says 0; a missing
// key and two unreadable values both leave the mode at 0, light.
std::uint32_t SharedDarkMode(const RegistryReader& currentUser)
{
    if (const auto mode = currentUser.ReadDword(kSharedSettingsKeyPath, kDarkModeValue))
        return *mode;
    return currentUser.ReadDword(kSharedSettingsKeyPath, kOlderDarkModeValue).value_or(0);
}

// The user asked for Windows' choice, so anything short of a readable "apps
// use the light theme" keeps the dark colours asked for.
bool WindowsAppsUseDarkTheme(const RegistryReader& currentUser)
{
    const auto appsUseLightTheme = currentUser.ReadDword(kWindowsPersonalizeKeyPath, kAppsUseLightThemeValue);
    return !appsUseLightTheme || *appsUseLightTheme == 0;
}

} // namespace

bool QueryDarkMode(const RegistryReader& currentUser)
{
    const std::uint32_t mode = SharedDarkMode(currentUser);
    if (mode == kDarkModeFollowWindows)
        return WindowsAppsUseDarkTheme(currentUser);
    return mode != 0;
}

} // namespace trackkit
