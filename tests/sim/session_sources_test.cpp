#include "sim/session_sources.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <numeric>
#include <vector>

#include "sim/simulated_driver.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::wstring_view kDriveD = L"\\\\.\\D:";

// One poll as the poller makes it: statistics, then the bitmap.
struct Poll {
    TrackingInfo info;
    std::vector<std::uint8_t> bitmap;
};

Poll PollVolume(TrackedVolume& volume, std::size_t bitmapBytes)
{
    std::array<std::uint8_t, kTrackingInfoLength> info{};
    std::vector<std::uint8_t> bitmap(bitmapBytes);
    EXPECT_TRUE(volume.QueryStatistics(info).succeeded);
    EXPECT_TRUE(volume.QuerySessionBitmap(bitmap).succeeded);
    return {DecodeTrackingInfo(info).value(), bitmap};
}

ReplayFrame Frame(std::uint64_t writesSeen, std::uint8_t bits)
{
    ReplayFrame frame;
    frame.statistics.writesSeen = writesSeen;
    frame.bitmap = {bits};
    return frame;
}

TEST(ReplaySourceTest, EachPollSeesOneWholeFrameInOrderAndTheLastRepeats)
{
    SimulatedDriver driver;
    driver.AddReplayVolume(kDriveD, {512, 8, 8, 65536, 0, 0}, {Frame(10, 0x01), Frame(20, 0x03), Frame(30, 0x07)});
    auto volume = driver.OpenVolume(kDriveD).volume;

    const std::pair<std::uint64_t, std::uint8_t> expected[] = {{10, 0x01}, {20, 0x03}, {30, 0x07}, {30, 0x07}};
    for (const auto& [writesSeen, bits] : expected) {
        const Poll poll = PollVolume(*volume, 1);
        EXPECT_EQ(poll.info.writesSeen, writesSeen);
        EXPECT_EQ(poll.bitmap[0], bits);
    }
}

TEST(ReplaySourceTest, OnlyAServedBitmapMovesOn)
{
    SimulatedDriver driver;
    ReplaySource& replay = driver.AddReplayVolume(kDriveD, {512, 8, 8, 65536, 0, 0}, {Frame(10, 0x01), Frame(20, 0x03)});
    auto volume = driver.OpenVolume(kDriveD).volume;

    std::array<std::uint8_t, kTrackingInfoLength> out{};
    volume->QueryStatistics(out);
    volume->QueryStatistics(out);
    driver.Find(kDriveD)->Faults().Once(DriverRequest::Bitmap, Fault::Error(31));
    EXPECT_FALSE(volume->QuerySessionBitmap(out).succeeded);
    EXPECT_EQ(replay.FrameIndex(), 0u);
    EXPECT_TRUE(volume->QuerySessionBitmap(out).succeeded);
    EXPECT_EQ(replay.FrameIndex(), 1u);
}

std::uint64_t CountSetBits(std::span<const std::uint8_t> bytes)
{
    return std::accumulate(bytes.begin(), bytes.end(), std::uint64_t{0},
                           [](std::uint64_t sum, std::uint8_t byte) { return sum + std::popcount(byte); });
}

TEST(LiveSourceTest, MovesWithTheClockAndEachPollDescribesItsBitmap)
{
    ManualClock clock;
    SimulatedDriver driver;
    WorkloadConfig config;
    config.volumeBytes = 64ULL << 30;
    config.sessionStartFileTime = 133'500'000'000'000'000ULL;
    const TrackingGeometry geometry = driver.AddLiveVolume(kDriveD, config, clock).Geometry();
    auto volume = driver.OpenVolume(kDriveD).volume;
    const auto bitmapBytes = static_cast<std::size_t>(SessionBitmapLength(geometry.blockCount));

    const Poll atStart = PollVolume(*volume, bitmapBytes);
    EXPECT_EQ(atStart.info.writesSeen, 0u);
    EXPECT_EQ(PollVolume(*volume, bitmapBytes).bitmap, atStart.bitmap);

    std::vector<std::uint8_t> previous = atStart.bitmap;
    for (int poll = 0; poll < 8; ++poll) {
        clock.Advance(250ms);
        const Poll now = PollVolume(*volume, bitmapBytes);
        EXPECT_NE(now.bitmap, previous);
        EXPECT_EQ(now.info.changedBlocks, CountSetBits(now.bitmap));
        EXPECT_EQ(now.info.sessionStartFileTime, config.sessionStartFileTime);
        previous = now.bitmap;
    }
}

TEST(FileTimeTest, CountsTicksOf100NanosecondsSince1601)
{
    const std::chrono::system_clock::time_point unixEpoch{};
    EXPECT_EQ(FileTimeFromSystemTime(unixEpoch), 116'444'736'000'000'000ULL);
    EXPECT_EQ(FileTimeFromSystemTime(unixEpoch + 1s + 300ns), 116'444'736'010'000'003ULL);
}

} // namespace
} // namespace trackkit
