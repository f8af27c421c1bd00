#include "tracelog/flag_names.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace trackkit {
namespace {

std::vector<std::wstring> NamesOf(std::uint32_t word)
{
    std::vector<std::wstring> names;
    ForEachFlagName(word, [&](const CbtFlagName& flag) { names.emplace_back(flag.name); });
    return names;
}

TEST(FlagNamesTest, NamesTheSetBitsInTableOrder)
{
    EXPECT_EQ(NamesOf(0x80001004), (std::vector<std::wstring>{L"CBT_FLAG_DEVICE_SNAPSHOT", L"CBT_FLAG_VOLUME_ONLINE",
                                                               L"CBT_FLAG_SHUTDOWN_PENDING"}));
    EXPECT_EQ(NamesOf(0x00000001), std::vector<std::wstring>{L"CBT_FLAG_DEVICE_REMOVE_PENDING"});
    EXPECT_EQ(NamesOf(0x40000000), std::vector<std::wstring>{L"CBT_FLAG_TRACKING_ENABLED"});
}

TEST(FlagNamesTest, ZeroAndTheUnnamedBitsYieldNothing)
{
    EXPECT_TRUE(NamesOf(0).empty());
    EXPECT_TRUE(NamesOf(0x10000E00).empty());
    EXPECT_TRUE(NamesOf(0x00880000).empty());
}

TEST(FlagNamesTest, RowsAreSingleAscendingBitsThatWithTheSixUnnamedOnesFillTheWord)
{
    constexpr std::uint32_t kUnnamed = 0x00000200 | 0x00000400 | 0x00000800 | 0x00080000 | 0x00800000 | 0x10000000;
    std::uint32_t named = 0;
    std::uint32_t previous = 0;
    for (const CbtFlagName& flag : CbtFlagTable) {
        EXPECT_EQ(flag.value & (flag.value - 1), 0u) << flag.value;
        EXPECT_GT(flag.value, previous);
        previous = flag.value;
        named |= flag.value;
    }
    EXPECT_EQ(named, ~kUnnamed);
    EXPECT_EQ(NamesOf(0xFFFFFFFF).size(), kCbtFlagCount);
}

TEST(FlagNamesTest, ByteCountsIncludeTheTerminator)
{
    for (const CbtFlagName& flag : CbtFlagTable) {
        EXPECT_EQ(flag.nameBytes, (std::wcslen(flag.name) + 1) * sizeof(wchar_t)) << flag.name;
        EXPECT_EQ(std::wstring(flag.name).rfind(L"CBT_FLAG_", 0), 0u) << flag.name;
    }
}

TEST(FlagNamesTest, TheMeaningfulBitsAreTheRowsOfTheirNames)
{
    EXPECT_EQ(NamesOf(kCbtFlagDeviceSnapshot), std::vector<std::wstring>{L"CBT_FLAG_DEVICE_SNAPSHOT"});
    EXPECT_EQ(NamesOf(kCbtFlagVolumeOnline), std::vector<std::wstring>{L"CBT_FLAG_VOLUME_ONLINE"});
    EXPECT_EQ(NamesOf(kCbtFlagShutdownPending), std::vector<std::wstring>{L"CBT_FLAG_SHUTDOWN_PENDING"});
}

} // namespace
} // namespace trackkit
