#include "shell/dark_mode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace trackkit {
namespace {

constexpr const wchar_t* kCommon = L"Software\\Quillon\\Common";
constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr std::nullopt_t kMissing = std::nullopt;

// The current user's registry in memory, counting the reads.
class MemoryRegistry final : public RegistryReader {
public:
    std::map<std::pair<std::wstring, std::wstring>, std::uint32_t> values;
    mutable std::vector<std::wstring> reads;

    std::optional<std::uint32_t> ReadDword(std::wstring_view keyPath, std::wstring_view valueName) const override
    {
        reads.emplace_back(valueName);
        const auto it = values.find({std::wstring(keyPath), std::wstring(valueName)});
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
};

// DarkModeEx wins when present, the older DarkMode is read only without it,
// and Windows' own setting only when the mode is 4, "follow Windows".
TEST(DarkModeTest, AnswersAsTheSharedAndWindowsSettingsSayReadingOnlyWhatItNeeds)
{
    using Reads = std::vector<std::wstring>;
    const Reads ex{L"DarkModeEx"}, older{L"DarkModeEx", L"DarkMode"};
    const Reads exThenWindows{L"DarkModeEx", L"AppsUseLightTheme"};
    const Reads olderThenWindows{L"DarkModeEx", L"DarkMode", L"AppsUseLightTheme"};
    const struct {
        const char* name;
        std::optional<std::uint32_t> darkModeEx, darkMode, appsUseLightTheme;
        bool dark;
        Reads reads;
    } cases[] = {
        {"nothing stored while Windows is dark", kMissing, kMissing, 0u, false, older},
        {"Ex 0 wins over an older 1", 0u, 1u, kMissing, false, ex},
        {"Ex 1 wins over an older 0", 1u, 0u, kMissing, true, ex},
        {"older 1 when Ex is missing", kMissing, 1u, kMissing, true, older},
        {"Ex 2 while Windows is light", 2u, kMissing, 1u, true, ex},
        {"Ex with all bits", 0xFFFFFFFFu, kMissing, kMissing, true, ex},
        {"Ex 5", 5u, kMissing, kMissing, true, ex},
        {"follow Windows: light", 4u, kMissing, 1u, false, exThenWindows},
        {"follow Windows: any non-zero is light", 4u, kMissing, 0x100u, false, exThenWindows},
        {"follow Windows: dark", 4u, kMissing, 0u, true, exThenWindows},
        {"follow Windows without its value", 4u, kMissing, kMissing, true, exThenWindows},
        {"follow Windows through the older value", kMissing, 4u, 1u, false, olderThenWindows},
        {"Ex 0 hides an older follow Windows", 0u, 4u, 0u, false, ex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRegistry registry;
        if (c.darkModeEx)
            registry.values[{kCommon, L"DarkModeEx"}] = *c.darkModeEx;
        if (c.darkMode)
            registry.values[{kCommon, L"DarkMode"}] = *c.darkMode;
        if (c.appsUseLightTheme)
            registry.values[{kPersonalize, L"AppsUseLightTheme"}] = *c.appsUseLightTheme;

        EXPECT_EQ(QueryDarkMode(registry), c.dark);
        EXPECT_EQ(registry.reads, c.reads);
    }
}

} // namespace
} // namespace trackkit
