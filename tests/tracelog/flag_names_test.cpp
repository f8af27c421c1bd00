#include "tracelog/flag_names.h"

#include <gtest/gtest.h>

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
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(NamesOf(0x80001004), (Names{L"CBT_FLAG_DEVICE_SNAPSHOT", L"CBT_FLAG_VOLUME_ONLINE", L"CBT_FLAG_SHUTDOWN_PENDING"}));
    EXPECT_EQ(NamesOf(0x00000001), Names{L"CBT_FLAG_DEVICE_REMOVE_PENDING"});
    EXPECT_EQ(NamesOf(0x40000000), Names{L"CBT_FLAG_TRACKING_ENABLED"});
    EXPECT_EQ(NamesOf(kCbtFlagDeviceSnapshot | kCbtFlagVolumeOnline | kCbtFlagShutdownPending), NamesOf(0x80001004));
    EXPECT_TRUE(NamesOf(0).empty());
    EXPECT_TRUE(NamesOf(0x10880E00).empty()) << "the six unnamed bits";
}

TEST(FlagNamesTest, RowsAreSingleAscendingBitsThatWithTheSixUnnamedOnesFillTheWord)
{
    std::uint32_t named = 0;
    std::uint32_t previous = 0;
    for (const CbtFlagName& flag : CbtFlagTable) {
        EXPECT_EQ(flag.value & (flag.value - 1), 0u) << flag.value;
        EXPECT_GT(flag.value, previous);
        previous = flag.value;
        named |= flag.value;
    }
    EXPECT_EQ(named, ~0x10880E00u);
    EXPECT_EQ(NamesOf(0xFFFFFFFF).size(), kCbtFlagCount);
}

} // namespace
} // namespace trackkit
