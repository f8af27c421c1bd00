#include "shell/dark_mode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace trackkit {
namespace {

constexpr const wchar_t* kCommon = L"Software\\Quillon\\Common";
constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The current user's registry in memory: readable values by key and name, and
// every read in order.
class MemoryRegistry final : public RegistryReader {
public:
    void Put(const wchar_t* key, const wchar_t* name, std::uint32_t value) { values_[{key, name}] = value; }

    std::optional<std::uint32_t> ReadDword(std::wstring_view keyPath, std::wstring_view valueName) const override
    {
        reads_.emplace_back(std::wstring(keyPath) + L"|" + std::wstring(valueName));
        const auto it = values_.find({std::wstring(keyPath), std::wstring(valueName)});
        if (it == values_.end())
            return std::nullopt;
        return it->second;
    }

    const std::vector<std::wstring>& Reads() const { return reads_; }

private:
    std::map<std::pair<std::wstring, std::wstring>, std::uint32_t> values_;
    mutable std::vector<std::wstring> reads_;
};

struct DarkModeCase {
    const char* name;
    std::optional<std::uint32_t> darkModeEx;
    std::optional<std::uint32_t> darkMode;
    std::optional<std::uint32_t> appsUseLightTheme;
    bool dark;
};

class DarkModeRulesTest : public ::testing::TestWithParam<DarkModeCase> {};

TEST_P(DarkModeRulesTest, AnswersAsTheSharedAndWindowsSettingsSay)
{
    const DarkModeCase& c = GetParam();
    MemoryRegistry registry;
    if (c.darkModeEx)
        registry.Put(kCommon, L"DarkModeEx", *c.darkModeEx);
    if (c.darkMode)
        registry.Put(kCommon, L"DarkMode", *c.darkMode);
    if (c.appsUseLightTheme)
        registry.Put(kPersonalize, L"AppsUseLightTheme", *c.appsUseLightTheme);

    EXPECT_EQ(QueryDarkMode(registry), c.dark);
}

constexpr std::nullopt_t kMissing = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases, DarkModeRulesTest,
    ::testing::Values(
        DarkModeCase{"NothingStored", kMissing, kMissing, kMissing, false},
        DarkModeCase{"NothingStoredWhileWindowsIsDark", kMissing, kMissing, 0u, false},
        DarkModeCase{"ExZeroWinsOverOlderOne", 0u, 1u, kMissing, false},
        DarkModeCase{"ExOneWinsOverOlderZero", 1u, 0u, kMissing, true},
        DarkModeCase{"OlderOneWhenExMissing", kMissing, 1u, kMissing, true},
        DarkModeCase{"OlderZeroWhenExMissing", kMissing, 0u, kMissing, false},
        DarkModeCase{"ExTwo", 2u, kMissing, kMissing, true},
        DarkModeCase{"ExTwoWhileWindowsIsLight", 2u, kMissing, 1u, true},
        DarkModeCase{"ExAllBits", 0xFFFFFFFFu, kMissing, kMissing, true},
        DarkModeCase{"ExThree", 3u, kMissing, kMissing, true},
        DarkModeCase{"ExFive", 5u, kMissing, kMissing, true},
        DarkModeCase{"FollowWindowsLight", 4u, kMissing, 1u, false},
        DarkModeCase{"FollowWindowsLightAnyNonZero", 4u, kMissing, 0x100u, false},
        DarkModeCase{"FollowWindowsDark", 4u, kMissing, 0u, true},
        DarkModeCase{"FollowWindowsWithoutItsValue", 4u, kMissing, kMissing, true},
        DarkModeCase{"FollowWindowsThroughOlderValue", kMissing, 4u, 1u, false},
        DarkModeCase{"FollowWindowsThroughOlderValueDark", kMissing, 4u, 0u, true},
        DarkModeCase{"ExZeroHidesOlderFollowWindows", 0u, 4u, 0u, false}),
    [](const ::testing::TestParamInfo<DarkModeCase>& param) { return std::string(param.param.name); });

TEST(DarkModeReadsTest, DarkModeExIsReadFirstAndTheOlderValueOnlyWhenItIsMissing)
{
    MemoryRegistry withEx;
    withEx.Put(kCommon, L"DarkModeEx", 1);
    QueryDarkMode(withEx);
    EXPECT_EQ(withEx.Reads(), std::vector<std::wstring>{std::wstring(kCommon) + L"|DarkModeEx"});

    MemoryRegistry withoutEx;
    QueryDarkMode(withoutEx);
    EXPECT_EQ(withoutEx.Reads(),
              (std::vector<std::wstring>{std::wstring(kCommon) + L"|DarkModeEx", std::wstring(kCommon) + L"|DarkMode"}));
}

TEST(DarkModeReadsTest, WindowsThemeIsReadOnlyWhenTheSettingAsksToFollowIt)
{
    for (const std::uint32_t mode : {0u, 1u, 2u, 3u, 5u}) {
        MemoryRegistry registry;
        registry.Put(kCommon, L"DarkModeEx", mode);
        QueryDarkMode(registry);
        for (const std::wstring& read : registry.Reads())
            EXPECT_EQ(read.find(L"Personalize"), std::wstring::npos) << "mode " << mode;
    }

    MemoryRegistry following;
    following.Put(kCommon, L"DarkModeEx", 4);
    QueryDarkMode(following);
    EXPECT_EQ(following.Reads().back(), std::wstring(kPersonalize) + L"|AppsUseLightTheme");
}

TEST(DarkModeReadsTest, EveryCallReadsTheRegistryAfresh)
{
    MemoryRegistry registry;
    registry.Put(kCommon, L"DarkModeEx", 1);
    EXPECT_TRUE(QueryDarkMode(registry));

    registry.Put(kCommon, L"DarkModeEx", 0);
    EXPECT_FALSE(QueryDarkMode(registry));
    EXPECT_EQ(registry.Reads().size(), 2u);
}

} // namespace
} // namespace trackkit
