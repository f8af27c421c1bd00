#include "settings/dark_mode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace trackkit {
namespace {

// The current user's registry in memory, recording the names read.
struct MemoryRegistry final : RegistryReader {
    mutable std::map<std::wstring, std::optional<std::uint32_t>> values;  // by "<key path>\<value name>"
    mutable std::wstring reads;
    std::optional<std::uint32_t> ReadDword(std::wstring_view key, std::wstring_view name) const override
    {
        reads += std::wstring(name) + L" ";
        return values[std::wstring(key) + L"\\" + std::wstring(name)];
    }
};

// DarkModeEx wins when present, the older DarkMode is read only without it,
// and Windows' own setting only when the mode is 4, "follow Windows".
TEST(DarkModeTest, AnswersAsTheSharedAndWindowsSettingsSayReadingOnlyWhatItNeeds)
{
    constexpr std::nullopt_t none = std::nullopt;
    const wchar_t *ex = L"DarkModeEx ", *older = L"DarkModeEx DarkMode ";
    const wchar_t *exThenWindows = L"DarkModeEx AppsUseLightTheme ";
    const std::wstring common = L"Software\\Quillon\\Common\\";
    using Value = std::optional<std::uint32_t>;
    const struct { const char* what; Value darkModeEx, darkMode, appsUseLightTheme; bool dark; const wchar_t* reads; } cases[] = {
        {"nothing stored while Windows is dark", none, none, 0u, false, older},
        {"Ex 0 wins over an older 1", 0u, 1u, none, false, ex},
        {"Ex 1 wins over an older 0", 1u, 0u, none, true, ex},
        {"older 1 when Ex is missing", none, 1u, none, true, older},
        {"Ex 2 while Windows is light", 2u, none, 1u, true, ex},
        {"Ex with all bits", 0xFFFFFFFFu, none, none, true, ex},
        {"follow Windows: light", 4u, none, 1u, false, exThenWindows},
        {"follow Windows: any non-zero is light", 4u, none, 0x100u, false, exThenWindows},
        {"follow Windows: dark", 4u, none, 0u, true, exThenWindows},
        {"follow Windows without its value", 4u, none, none, true, exThenWindows},
        {"follow Windows through the older value", none, 4u, 1u, false, L"DarkModeEx DarkMode AppsUseLightTheme "},
        {"Ex 0 hides an older follow Windows", 0u, 4u, 0u, false, ex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistry registry;
        registry.values = {{common + L"DarkModeEx", c.darkModeEx}, {common + L"DarkMode", c.darkMode},
                           {L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize\\AppsUseLightTheme",
                            c.appsUseLightTheme}};

        EXPECT_EQ(QueryDarkMode(registry), c.dark);
        EXPECT_EQ(registry.reads, c.reads);
    }
}

} // namespace
} // namespace trackkit
