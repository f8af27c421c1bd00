#include "tracking/poller.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using testing::RecordingHost;
using testing::ScriptedVolume;

constexpr wchar_t kDriveC[] = L"\\\\.\\C:";
constexpr wchar_t kDriveD[] = L"\\\\.\\D:";

TrackingGeometry HealthyGeometry(std::uint32_t blockCount = 100)
{
    TrackingGeometry geometry;
    geometry.clusterFactor1 = 512;
    geometry.clusterFactor2 = 8;  // 4 KiB clusters
    geometry.blockCount = blockCount;
    geometry.bytesPerBlock = 64 * 1024;
    geometry.cbtFirstLcn = 160;   // 160 * 4096 / 65536 = block 10
    geometry.cbtLastLcn = 191;    // block 11 (truncated)
    return geometry;
}

TrackingInfo SomeStatistics()
{
    TrackingInfo info;
    info.writesSeen = 42;
    info.writesConsidered = 30;
    info.excludedWrites = 5;
    info.trackingMicroseconds = 5'000'000;
    return info;
}

class PollerTest : public ::testing::Test {
protected:
    ScriptedVolume::Script& AddVolume(const wchar_t* path, std::uint32_t blockCount = 100)
    {
        auto& script = fixture.driver.volumes[path];
        script.geometry = HealthyGeometry(blockCount);
        script.info = SomeStatistics();
        script.bitmap.assign(SessionBitmap::BufferSizeFor(blockCount), 0xA5);
        return script;
    }

    // Rows the failure step must leave alone get texts of their own.
    void MarkKeptRows()
    {
        fixture.rows.values[0] = L"version";
        fixture.rows.values[16] = L"restarts";
        fixture.rows.values[17] = L"trims";
    }

    void ExpectNoVolumeState()
    {
        EXPECT_EQ(session.volume, nullptr);
        EXPECT_TRUE(session.bitmap.Empty());
        EXPECT_EQ(session.bitmap.BitCount(), 0u);
        EXPECT_EQ(session.geometry.bytesPerBlock, 0u);
        EXPECT_EQ(session.geometry.blockCount, 0u);
        EXPECT_FALSE(fixture.timer.running.has_value());
        for (int row = 1; row <= 15; ++row)
            EXPECT_EQ(fixture.rows.At(row), L"Unknown") << "row " << row;
        EXPECT_EQ(fixture.rows.At(0), L"version");
        EXPECT_EQ(fixture.rows.At(16), L"restarts");
        EXPECT_EQ(fixture.rows.At(17), L"trims");
        ASSERT_FALSE(fixture.pane.invalidations.empty());
        EXPECT_TRUE(fixture.pane.invalidations.back()) << "the pane is repainted with erase";
    }

    RecordingHost fixture;
    TrackingSession session;
};

TEST_F(PollerTest, OpeningAVolumeReadsGeometrySizesTheBitmapStartsTheTimerAndPollsOnce)
{
    auto& script = AddVolume(kDriveC, 100);

    OpenTrackedVolume(&session, kDriveC, fixture.host);

    ASSERT_NE(session.volume, nullptr);
    EXPECT_EQ(session.openPath, kDriveC);
    EXPECT_EQ(session.geometry.blockCount, 100u);
    EXPECT_EQ(session.geometry.bytesPerBlock, 65536u);
    EXPECT_EQ(session.geometry.bytesPerCluster, 4096u);
    EXPECT_EQ(session.geometry.cbtFirstBlock, 10u);
    EXPECT_EQ(session.geometry.cbtLastBlock, 11u);
    EXPECT_EQ(session.bitmap.SizeInBytes(), 16u) << "13 bytes rounded up to a multiple of 4";
    EXPECT_EQ(session.bitmap.BitCount(), 100u);
    EXPECT_EQ(fixture.timer.running, 1000u);
    EXPECT_EQ(fixture.freeSpace.refreshes, 1);
    EXPECT_EQ(script.statisticsQueries, 1);
    EXPECT_EQ(script.bitmapRequestLengths, std::vector<std::size_t>{13}) << "only (N + 7) / 8 bytes are asked for";
    EXPECT_EQ(session.bitmap.Bytes()[12], 0xA5);
    EXPECT_EQ(session.bitmap.Bytes()[13], 0x00) << "padding past the request stays untouched";
    EXPECT_EQ(fixture.rows.At(2), L"42");
    EXPECT_EQ(fixture.rows.At(5), L"25");
    EXPECT_EQ(fixture.pane.invalidations, (std::vector<bool>{false, true}));
    EXPECT_TRUE(fixture.debug.lines.empty());
}

TEST_F(PollerTest, ReselectingTheOpenVolumeKeepsTheHandleButReadsTheGeometryAgain)
{
    auto& script = AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    const TrackedVolume* first = session.volume.get();

    script.geometry.blockCount = 200;
    OpenTrackedVolume(&session, kDriveC, fixture.host);

    EXPECT_EQ(session.volume.get(), first);
    EXPECT_EQ(fixture.driver.opens.size(), 1u);
    EXPECT_EQ(script.closed, 0);
    EXPECT_EQ(script.geometryQueries, 2);
    EXPECT_EQ(session.geometry.blockCount, 200u);
}

TEST_F(PollerTest, SelectingAnotherVolumeClosesTheOldOne)
{
    auto& c = AddVolume(kDriveC);
    AddVolume(kDriveD, 5000);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    OpenTrackedVolume(&session, kDriveD, fixture.host);

    EXPECT_EQ(c.closed, 1);
    EXPECT_EQ(session.openPath, kDriveD);
    EXPECT_EQ(session.bitmap.BitCount(), 5000u);
}

TEST_F(PollerTest, AFailedOpenLeavesNoVolumeAndWritesNoDebugText)
{
    AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);

    MarkKeptRows();
    OpenTrackedVolume(&session, L"\\\\.\\Q:", fixture.host);

    ExpectNoVolumeState();
    EXPECT_EQ(fixture.driver.volumes[kDriveC].closed, 1);
    EXPECT_TRUE(fixture.debug.lines.empty());
}

struct BadGeometryCase {
    const char* name;
    std::function<DriverReply(std::span<std::uint8_t>)> reply;
};

class BadGeometryTest : public PollerTest, public ::testing::WithParamInterface<BadGeometryCase> {};

DriverReply GeometryWithLength(std::span<std::uint8_t> out, std::uint32_t length, TrackingGeometry geometry = HealthyGeometry())
{
    EncodeTrackingGeometry(geometry, out);
    return DriverReply::Success(length);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BadGeometryTest,
    ::testing::Values(
        BadGeometryCase{"CallFails", [](auto) { return DriverReply::Failure(50); }},
        BadGeometryCase{"ShortBy1", [](auto out) { return GeometryWithLength(out, 55); }},
        BadGeometryCase{"LongBy1", [](auto out) { return GeometryWithLength(out, 57); }},
        BadGeometryCase{"Empty", [](auto) { return DriverReply::Success(0); }},
        BadGeometryCase{"ZeroBytesPerBlock",
                        [](auto out) {
                            auto g = HealthyGeometry();
                            g.bytesPerBlock = 0;
                            return GeometryWithLength(out, 56, g);
                        }},
        BadGeometryCase{"ZeroBlocks",
                        [](auto out) {
                            auto g = HealthyGeometry();
                            g.blockCount = 0;
                            return GeometryWithLength(out, 56, g);
                        }},
        BadGeometryCase{"ClusterSizeOverflows32Bits",
                        [](auto out) {
                            auto g = HealthyGeometry();
                            g.clusterFactor1 = 0x10000;
                            g.clusterFactor2 = 0x10000;  // 2^32 would wrap to 0
                            return GeometryWithLength(out, 56, g);
                        }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_P(BadGeometryTest, AlwaysEndsInTheCleanNoVolumeState)
{
    auto& script = AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);  // a healthy session first
    script.geometryReply = GetParam().reply;
    MarkKeptRows();

    OpenTrackedVolume(&session, kDriveC, fixture.host);

    ExpectNoVolumeState();
    EXPECT_EQ(script.closed, 1);
    EXPECT_EQ(fixture.debug.lines, std::vector<std::wstring>{L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n"});
    EXPECT_EQ(script.statisticsQueries, 1) << "no poll after a rejected geometry";
}

TEST_F(PollerTest, WhilePausedOpeningReadsOnceAndRunsNoTimer)
{
    auto& script = AddVolume(kDriveC);
    session.pollPeriod = kPollPaused;

    OpenTrackedVolume(&session, kDriveC, fixture.host);

    EXPECT_FALSE(fixture.timer.running.has_value());
    EXPECT_EQ(fixture.timer.calls, std::vector<std::wstring>{L"stop"});
    EXPECT_EQ(script.statisticsQueries, 1);
    EXPECT_EQ(script.bitmapRequestLengths.size(), 1u);
}

TEST_F(PollerTest, ABufferOfTheSameSizeIsReusedAndDescribesTheNewBlockCount)
{
    auto& script = AddVolume(kDriveC, 25);  // 4 bytes
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    const std::uint8_t* buffer = session.bitmap.Bytes().data();

    script.geometry.blockCount = 32;  // still 4 bytes
    script.bitmapReply = [](std::span<std::uint8_t> out) { return DriverReply::Success(static_cast<std::uint32_t>(out.size())); };
    OpenTrackedVolume(&session, kDriveC, fixture.host);

    EXPECT_EQ(session.bitmap.Bytes().data(), buffer);
    EXPECT_EQ(session.bitmap.Bytes()[3], 0xA5) << "reused without clearing";
    EXPECT_EQ(session.bitmap.BitCount(), 32u);
    EXPECT_EQ(script.bitmapRequestLengths.back(), 4u) << "every block of the new count is asked for";
}

// Hands out nothing, but remembers what was asked: a block count near 2^32
// must ask for 512 MiB, not for a wrapped, tiny buffer.
struct RefusingMemory final : BitmapMemory {
    std::vector<std::size_t> requests;
    std::uint8_t* Allocate(std::size_t bytes) override
    {
        requests.push_back(bytes);
        return nullptr;
    }
    void Release(std::uint8_t*, std::size_t) override {}
};

TEST_F(PollerTest, AFailedAllocationCleansUpAndHugeCountsDoNotWrap)
{
    RefusingMemory memory;
    TrackingSession refused(memory);
    AddVolume(kDriveC, 0xFFFFFFFF);

    OpenTrackedVolume(&refused, kDriveC, fixture.host);

    EXPECT_EQ(memory.requests, std::vector<std::size_t>{0x20000000});
    EXPECT_EQ(refused.volume, nullptr);
    EXPECT_TRUE(refused.bitmap.Empty());
    EXPECT_EQ(fixture.rows.At(1), L"Unknown");
    EXPECT_FALSE(fixture.timer.running.has_value());
}

TEST_F(PollerTest, AFailedOrOverlongStatisticsReplyKeepsTheRowsAndStillReadsTheBitmap)
{
    auto& script = AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    const int writesAfterOpen = fixture.rows.writes;

    const std::vector<std::function<DriverReply(std::span<std::uint8_t>)>> badReplies = {
        [](auto) { return DriverReply::Failure(31); },
        [](auto out) { EncodeTrackingInfo({}, out); return DriverReply::Success(4096); },
    };
    for (const auto& reply : badReplies) {
        script.statisticsReply = reply;
        PollTracking(&session, fixture.host);
    }

    EXPECT_EQ(fixture.rows.writes, writesAfterOpen);
    EXPECT_EQ(fixture.rows.At(2), L"42");
    EXPECT_EQ(fixture.debug.lines, std::vector<std::wstring>(2, L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n"));
    EXPECT_EQ(script.bitmapRequestLengths.size(), 3u);
}

// An older driver may report fewer bytes than it filled, or none at all; the
// counters it wrote are shown, whatever the count says.
TEST_F(PollerTest, AShortStatisticsByteCountStillShowsTheRecord)
{
    auto& script = AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    for (const std::uint32_t count : {0u, 100u}) {
        SCOPED_TRACE(count);
        script.statisticsReply = [count](auto out) {
            TrackingInfo info = SomeStatistics();
            info.writesSeen = 7 + count;
            EncodeTrackingInfo(info, out);
            return DriverReply::Success(count);
        };
        PollTracking(&session, fixture.host);
        EXPECT_EQ(fixture.rows.At(2), std::to_wstring(7 + count));
    }
    EXPECT_TRUE(fixture.debug.lines.empty());
}

TEST_F(PollerTest, AFailedBitmapQueryKeepsTheLastBitmap)
{
    auto& script = AddVolume(kDriveC, 16);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    script.bitmapReply = [](std::span<std::uint8_t>) { return DriverReply::Failure(1); };

    PollTracking(&session, fixture.host);

    EXPECT_EQ(fixture.debug.lines, std::vector<std::wstring>{L"IOCTL_QXCBT_QUERY_SESSION_BITMAP failed!\n"});
    EXPECT_EQ(session.bitmap.Bytes()[0], 0xA5);
    EXPECT_EQ(session.bitmap.Bytes()[1], 0xA5);
    EXPECT_EQ(fixture.pane.invalidations.back(), false);
}

TEST_F(PollerTest, PollingWithoutAVolumeRefreshesFreeSpaceAndReportsBothQueries)
{
    PollTracking(&session, fixture.host);

    EXPECT_EQ(fixture.freeSpace.refreshes, 1);
    EXPECT_EQ(fixture.debug.lines, (std::vector<std::wstring>{L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n",
                                                              L"IOCTL_QXCBT_QUERY_SESSION_BITMAP failed!\n"}));
    EXPECT_EQ(fixture.pane.invalidations, std::vector<bool>{false});
}

TEST_F(PollerTest, APaneWithoutARecordIsLeftAlone)
{
    AddVolume(kDriveC);
    OpenTrackedVolume(nullptr, kDriveC, fixture.host);
    PollTracking(nullptr, fixture.host);

    EXPECT_TRUE(fixture.driver.opens.empty());
    EXPECT_EQ(fixture.freeSpace.refreshes, 0);
    EXPECT_TRUE(fixture.pane.invalidations.empty());
}

TEST(GeometryFromRecordTest, CbtBlocksUse64BitProductsAndStayPastTheVolume)
{
    TrackingGeometry record = HealthyGeometry(1000);
    record.cbtFirstLcn = 0xFFFFFFF0;
    record.cbtLastLcn = 0xFFFFFFFF;
    const auto geometry = GeometryFromRecord(record);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->cbtFirstBlock, 0xFFFFFFF0ull * 4096 / 65536);
    EXPECT_GT(geometry->cbtFirstBlock, geometry->blockCount) << "a cluster far past the volume must not wrap into it";
}

} // namespace
} // namespace trackkit
