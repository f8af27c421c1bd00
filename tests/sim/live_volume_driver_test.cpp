#include "sim/live_volume_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

namespace trackkit {
namespace {

TEST(LiveVolumeDriverTest, EachRealVolumeGetsOneLiveSessionSizedFromIt)
{
    ManualClock clock;
    std::map<std::wstring, int> sizeQueries;
    LiveVolumeDriver driver(
        [&](std::wstring_view path) -> std::optional<std::uint64_t> {
            ++sizeQueries[std::wstring(path)];
            if (path == L"\\\\.\\C:")
                return 100ull << 30;  // 100 GiB
            if (path == L"\\\\.\\E:")
                return 0;  // an empty card reader
            return std::nullopt;
        },
        clock, 133'000'000'000'000'000ull);

    auto first = driver.OpenVolume(L"\\\\.\\C:");
    auto second = driver.OpenVolume(L"\\\\.\\c:");
    ASSERT_NE(first.volume, nullptr);
    ASSERT_NE(second.volume, nullptr);
    EXPECT_EQ(sizeQueries[L"\\\\.\\C:"], 1) << "the second open finds the session";

    std::array<std::uint8_t, kTrackingGeometryLength> record{};
    ASSERT_TRUE(first.volume->QueryGeometry(record).succeeded);
    const auto geometry = DecodeTrackingGeometry(record);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->bytesPerBlock, 65536u);
    EXPECT_EQ(geometry->blockCount, (100ull << 30) / 65536);

    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\Q:").volume, nullptr);
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\E:").volume, nullptr) << "a volume of no size gets no session";
}

} // namespace
} // namespace trackkit

namespace trackkit {
namespace {

TEST(LiveVolumeDriverTest, ASessionWithHistoryOpensOnAVolumeThatHasAlreadyChanged)
{
    ManualClock clock;
    const auto size = [](std::wstring_view) -> std::optional<std::uint64_t> { return 50ull << 30; };
    LiveVolumeDriver fresh(size, clock, 0);
    LiveVolumeDriver busy(size, clock, 0, std::chrono::hours(2));

    std::array<std::uint8_t, kTrackingInfoLength> record{};
    ASSERT_TRUE(fresh.OpenVolume(L"\\\\.\\C:").volume->QueryStatistics(record).succeeded);
    EXPECT_EQ(DecodeTrackingInfo(record)->changedBlocks, 0u);
    ASSERT_TRUE(busy.OpenVolume(L"\\\\.\\C:").volume->QueryStatistics(record).succeeded);
    EXPECT_GT(DecodeTrackingInfo(record)->changedBlocks, 1000u);
}

} // namespace
} // namespace trackkit
