#include "tracking/poller.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using testing::RecordingHost;
using testing::ScriptedVolume;
using Reply = std::function<DriverReply(std::span<std::uint8_t>)>;

constexpr wchar_t kDriveC[] = L"\\\\.\\C:";
constexpr wchar_t kDriveD[] = L"\\\\.\\D:";
const std::wstring kInfoFailed(kTrackingInfoFailedText);
const std::wstring kBitmapFailed(kSessionBitmapFailedText);

TrackingGeometry HealthyGeometry(std::uint32_t blockCount = 100)
{
    TrackingGeometry geometry;
    geometry.clusterFactor1 = 512;
    geometry.clusterFactor2 = 8;  // 4 KiB clusters
    geometry.blockCount = blockCount;
    geometry.bytesPerBlock = 64 * 1024;
    geometry.cbtFirstLcn = 160;  // 160 * 4096 / 65536 = block 10
    geometry.cbtLastLcn = 191;   // block 11 (truncated)
    return geometry;
}

class PollerTest : public ::testing::Test {
protected:
    ScriptedVolume::Script& AddVolume(const wchar_t* path, std::uint32_t blockCount = 100)
    {
        auto& script = fixture.driver.volumes[path];
        script.geometry = HealthyGeometry(blockCount);
        script.info.writesSeen = 42;
        script.info.writesConsidered = 30;
        script.info.excludedWrites = 5;
        script.bitmap.assign(SessionBitmap::BufferSizeFor(blockCount), 0xA5);
        return script;
    }

    // Rows 1 to 15 read "Unknown"; rows 0, 16 and 17 keep what they had.
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
        for (int row : {0, 16, 17})
            EXPECT_EQ(fixture.rows.At(row), L"kept") << "row " << row;
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
    EXPECT_EQ(session.bitmap.SizeInBytes(), 16u);
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

TEST_F(PollerTest, ReselectingKeepsTheHandleAndRereadsTheGeometryAnotherVolumeClosesIt)
{
    auto& c = AddVolume(kDriveC);
    AddVolume(kDriveD, 5000);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    const TrackedVolume* first = session.volume.get();

    c.geometry.blockCount = 200;
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    EXPECT_EQ(session.volume.get(), first);
    EXPECT_EQ(fixture.driver.opens.size(), 1u);
    EXPECT_EQ(c.closed, 0);
    EXPECT_EQ(session.geometry.blockCount, 200u);

    OpenTrackedVolume(&session, kDriveD, fixture.host);
    EXPECT_EQ(c.closed, 1);
    EXPECT_EQ(session.openPath, kDriveD);
    EXPECT_EQ(session.bitmap.BitCount(), 5000u);
}

DriverReply GeometryReply(std::span<std::uint8_t> out, std::uint32_t length, void (*change)(TrackingGeometry&))
{
    TrackingGeometry geometry = HealthyGeometry();
    change(geometry);
    EncodeTrackingGeometry(geometry, out);
    return DriverReply::Success(length);
}

// From a healthy session, a failed open or any reply that describes no usable
// volume ends in the clean no-volume state.
TEST_F(PollerTest, BadOpensAndGeometriesEndInTheNoVolumeState)
{
    const auto same = [](TrackingGeometry&) {};
    const struct {
        const char* name;
        const wchar_t* path;
        Reply reply;
        std::vector<std::wstring> debug;
    } cases[] = {
        {"volume does not open", L"\\\\.\\Q:", nullptr, {}},
        {"call fails", kDriveC, [](auto) { return DriverReply::Failure(50); }, {kInfoFailed}},
        {"one byte short", kDriveC, [=](auto out) { return GeometryReply(out, 55, same); }, {kInfoFailed}},
        {"one byte long", kDriveC, [=](auto out) { return GeometryReply(out, 57, same); }, {kInfoFailed}},
        {"no bytes", kDriveC, [](auto) { return DriverReply::Success(0); }, {kInfoFailed}},
        {"no bytes per block", kDriveC,
         [](auto out) { return GeometryReply(out, 56, [](TrackingGeometry& g) { g.bytesPerBlock = 0; }); }, {kInfoFailed}},
        {"no blocks", kDriveC,
         [](auto out) { return GeometryReply(out, 56, [](TrackingGeometry& g) { g.blockCount = 0; }); }, {kInfoFailed}},
        {"cluster size of 2^32 would wrap to 0", kDriveC, [](auto out) {
             return GeometryReply(out, 56, [](TrackingGeometry& g) { g.clusterFactor1 = g.clusterFactor2 = 0x10000; });
         }, {kInfoFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.volume.reset();
        fixture.driver.volumes.clear();
        fixture.debug.lines.clear();
        auto& script = AddVolume(kDriveC);
        OpenTrackedVolume(&session, kDriveC, fixture.host);
        script.geometryReply = c.reply;
        for (int row : {0, 16, 17})
            fixture.rows.values[row] = L"kept";

        OpenTrackedVolume(&session, c.path, fixture.host);

        ExpectNoVolumeState();
        EXPECT_EQ(script.closed, 1);
        EXPECT_EQ(fixture.debug.lines, c.debug);
        EXPECT_EQ(script.statisticsQueries, 1) << "no poll after a rejected volume";
    }
}

TEST_F(PollerTest, WhilePausedOpeningReadsOnceAndRunsNoTimer)
{
    auto& script = AddVolume(kDriveC);
    session.pollPeriod = kPollPaused;

    OpenTrackedVolume(&session, kDriveC, fixture.host);

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
    EXPECT_EQ(fixture.rows.At(1), L"Unknown");
    EXPECT_FALSE(fixture.timer.running.has_value());
}

// A failed call, or a byte count past the buffer, keeps the rows; a short
// count (an older driver's, even 0) still shows the counters it wrote.
TEST_F(PollerTest, StatisticsRepliesAndTheRowsTheyLeave)
{
    auto& script = AddVolume(kDriveC);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    const struct {
        const char* name;
        bool succeeded;
        std::uint32_t bytes;
        const wchar_t* writes;
        std::vector<std::wstring> debug;
    } cases[] = {
        {"call fails", false, 0, L"42", {kInfoFailed}},
        {"count past the buffer", true, 4096, L"42", {kInfoFailed}},
        {"no bytes counted", true, 0, L"7", {}},
        {"100 bytes counted", true, 100, L"7", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.debug.lines.clear();
        fixture.rows.values[2] = L"42";
        script.statisticsReply = [&c](auto out) {
            TrackingInfo info;
            info.writesSeen = 7;
            EncodeTrackingInfo(info, out);
            return c.succeeded ? DriverReply::Success(c.bytes) : DriverReply::Failure(31);
        };
        PollTracking(&session, fixture.host);
        EXPECT_EQ(fixture.rows.At(2), c.writes);
        EXPECT_EQ(fixture.debug.lines, c.debug);
    }
    EXPECT_EQ(script.bitmapRequestLengths.size(), 5u) << "the bitmap is read whatever the statistics did";
}

TEST_F(PollerTest, AFailedBitmapQueryKeepsTheLastBitmap)
{
    auto& script = AddVolume(kDriveC, 16);
    OpenTrackedVolume(&session, kDriveC, fixture.host);
    script.bitmapReply = [](std::span<std::uint8_t>) { return DriverReply::Failure(1); };

    PollTracking(&session, fixture.host);

    EXPECT_EQ(fixture.debug.lines, std::vector<std::wstring>{kBitmapFailed});
    EXPECT_EQ(session.bitmap.Bytes()[0], 0xA5);
    EXPECT_EQ(session.bitmap.Bytes()[1], 0xA5);
    EXPECT_EQ(fixture.pane.invalidations.back(), false);
}

TEST_F(PollerTest, PollingWithoutAVolumeRefreshesFreeSpaceAndReportsBothQueries)
{
    PollTracking(&session, fixture.host);

    EXPECT_EQ(fixture.freeSpace.refreshes, 1);
    EXPECT_EQ(fixture.debug.lines, (std::vector<std::wstring>{kInfoFailed, kBitmapFailed}));
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
    const auto geometry = GeometryFromRecord(record);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->cbtFirstBlock, 0xFFFFFFF0ull * 4096 / 65536) << "a cluster far past the volume must not wrap into it";
}

} // namespace
} // namespace trackkit
