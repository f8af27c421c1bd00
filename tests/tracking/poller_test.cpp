#include "tracking/poller.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using Lines = std::vector<std::wstring>;
using Reply = std::function<DriverReply(std::span<std::uint8_t>)>;

constexpr wchar_t kDriveC[] = L"\\\\.\\C:";
constexpr wchar_t kDriveD[] = L"\\\\.\\D:";
const std::wstring kInfoFailed(kTrackingInfoFailedText);
const std::wstring kBitmapFailed(kSessionBitmapFailedText);

// 4 KiB clusters, 64 KiB blocks, $CBT on clusters 160 to 191: blocks 10 and 11 (truncated).
constexpr TrackingGeometry kGeometry{512, 8, 100, 65536, 160, 191};

class PollerTest : public ::testing::Test {
protected:
    testing::ScriptedVolume::Script& AddVolume(const wchar_t* path, std::uint32_t blockCount = 100)
    {
        auto& script = fixture.driver.volumes[path];
        script.geometry = kGeometry;
        script.geometry.blockCount = blockCount;
        script.info = {.writesSeen = 42};
        script.bitmap.assign(SessionBitmap::BufferSizeFor(blockCount), 0xA5);
        return script;
    }
    void Open(const wchar_t* path) { OpenTrackedVolume(&session, path, fixture.host); }
    void Poll() { PollTracking(&session, fixture.host); }

    testing::RecordingHost fixture;
    TrackingSession session;
};

TEST_F(PollerTest, OpeningReadsTheGeometrySizesTheBitmapStartsTheTimerAndPollsOnceReselectingKeepsHandleAndBuffer)
{
    auto& script = AddVolume(kDriveC);
    Open(kDriveC);

    ASSERT_NE(session.volume, nullptr);
    EXPECT_EQ(session.openPath, kDriveC);
    const VolumeGeometry& g = session.geometry;
    EXPECT_EQ(std::tie(g.blockCount, g.bytesPerBlock, g.bytesPerCluster, g.cbtFirstBlock, g.cbtLastBlock),
              std::make_tuple(100u, 65536u, 4096u, 10ull, 11ull));
    EXPECT_EQ(fixture.timer.calls, Lines{L"start 1000"});
    EXPECT_EQ(script.statisticsQueries, 1);
    EXPECT_EQ(script.bitmapRequestLengths, std::vector<std::size_t>{13}) << "only (N + 7) / 8 bytes are asked for";
    EXPECT_EQ(session.bitmap.Bytes()[12], 0xA5);
    EXPECT_EQ(session.bitmap.Bytes()[13], 0x00) << "padding past the request stays untouched";
    EXPECT_EQ(fixture.rows.At(2), L"42");
    EXPECT_EQ(fixture.pane.invalidations, (std::vector<bool>{false, true}));
    EXPECT_TRUE(fixture.debug.lines.empty());

    // Reselected while paused: the same handle, the geometry read again, one poll and no timer. A buffer of
    // the same size is kept with its bits and now asked for every block of the new count.
    const TrackedVolume* first = session.volume.get();
    const std::uint8_t* buffer = session.bitmap.Bytes().data();
    script.geometry.blockCount = 128;  // still 16 bytes
    script.bitmapReply = [](auto out) { return DriverReply::Success(static_cast<std::uint32_t>(out.size())); };
    session.pollPeriod = kPollPaused;
    Open(kDriveC);
    EXPECT_EQ(session.volume.get(), first);
    EXPECT_EQ(fixture.driver.opens.size(), 1u);
    EXPECT_EQ(session.bitmap.BitCount(), 128u);
    EXPECT_EQ(session.bitmap.Bytes().data(), buffer);
    EXPECT_EQ(session.bitmap.Bytes()[12], 0xA5);
    EXPECT_EQ(script.bitmapRequestLengths.back(), 16u);
    EXPECT_EQ(fixture.timer.calls.back(), L"stop");
    EXPECT_EQ(script.statisticsQueries, 2);

    AddVolume(kDriveD, 5000);
    Open(kDriveD);
    EXPECT_EQ(script.closed, 1) << "another volume closes the first";
    EXPECT_EQ(session.openPath, kDriveD);
}

DriverReply GeometryReply(std::span<std::uint8_t> out, std::uint32_t length, const TrackingGeometry& geometry = kGeometry)
{
    EncodeTrackingGeometry(geometry, out);
    return DriverReply::Success(length);
}

// From a healthy session, a failed open or a reply that describes no usable volume leaves no volume:
// the timer stops, rows 1 to 15 read "Unknown" (0, 16 and 17 keep theirs), the pane is erased.
TEST_F(PollerTest, BadOpensAndGeometriesEndInTheNoVolumeState)
{
    const struct { const char* name; const wchar_t* path; Reply reply; } cases[] = {
        {"volume does not open", L"\\\\.\\Q:", nullptr},
        {"call fails", kDriveC, [](auto) { return DriverReply::Failure(50); }},
        {"one byte short", kDriveC, [](auto out) { return GeometryReply(out, 55); }},
        {"one byte long", kDriveC, [](auto out) { return GeometryReply(out, 57); }},
        {"no bytes", kDriveC, [](auto) { return DriverReply::Success(0); }},
        {"no bytes per block", kDriveC, [](auto out) { return GeometryReply(out, 56, {512, 8, 100, 0, 160, 191}); }},
        {"no blocks", kDriveC, [](auto out) { return GeometryReply(out, 56, {512, 8, 0, 65536, 160, 191}); }},
        {"cluster size of 2^32 would wrap to 0", kDriveC,
         [](auto out) { return GeometryReply(out, 56, {0x10000, 0x10000, 100, 65536, 160, 191}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.volume.reset();
        fixture.driver.volumes.clear();
        fixture.debug.lines.clear();
        auto& script = AddVolume(kDriveC);
        Open(kDriveC);
        script.geometryReply = c.reply;
        for (int row : {0, 16, 17})
            fixture.rows.values[row] = L"kept";

        Open(c.path);

        EXPECT_EQ(session.volume, nullptr);
        EXPECT_EQ(script.closed, 1);
        EXPECT_TRUE(session.bitmap.Empty());
        EXPECT_EQ(session.geometry.blockCount, 0u);
        EXPECT_FALSE(fixture.timer.running.has_value());
        for (int row = 0; row < kStatisticsRowCount; ++row)
            EXPECT_EQ(fixture.rows.At(row), row == 0 || row > 15 ? L"kept" : L"Unknown") << "row " << row;
        EXPECT_EQ(fixture.pane.invalidations.back(), true) << "repainted with erase";
        EXPECT_EQ(fixture.debug.lines, c.reply ? Lines{kInfoFailed} : Lines{});
        EXPECT_EQ(script.statisticsQueries, 1) << "no poll after a rejected volume";
    }
}

// Hands out nothing but records the size asked: a block count near 2^32 must ask for 512 MiB, not a wrapped,
// tiny buffer.
struct RefusingMemory final : BitmapMemory {
    std::vector<std::size_t> requests;
    std::uint8_t* Allocate(std::size_t bytes) override { requests.push_back(bytes); return nullptr; }
    void Release(std::uint8_t*, std::size_t) override {}
};

TEST_F(PollerTest, AFailedAllocationCleansUpAndHugeCountsDoNotWrap)
{
    RefusingMemory memory;
    TrackingSession refused(memory);
    AddVolume(kDriveC).geometry.blockCount = 0xFFFFFFFF;

    OpenTrackedVolume(&refused, kDriveC, fixture.host);

    EXPECT_EQ(memory.requests, std::vector<std::size_t>{0x20000000});
    EXPECT_EQ(refused.volume, nullptr);
    EXPECT_EQ(fixture.rows.At(1), L"Unknown");
    EXPECT_FALSE(fixture.timer.running.has_value());
}

// A failed call, or a byte count past the buffer, keeps what was shown; a short statistics count (an older
// driver's, even 0) still shows the counters it wrote. Each query is made whatever the other did.
TEST_F(PollerTest, StatisticsAndBitmapRepliesAndWhatTheyLeave)
{
    auto& script = AddVolume(kDriveC);
    Open(kDriveC);
    const struct { const char* name; DriverReply statistics, bitmap; const wchar_t* writes; Lines debug; } cases[] = {
        {"statistics call fails", DriverReply::Failure(31), DriverReply::Success(13), L"42", {kInfoFailed}},
        {"statistics count past the buffer", DriverReply::Success(4096), DriverReply::Success(13), L"42", {kInfoFailed}},
        {"no statistics bytes counted", DriverReply::Success(0), DriverReply::Success(13), L"7", {}},
        {"100 statistics bytes counted", DriverReply::Success(100), DriverReply::Success(13), L"7", {}},
        {"bitmap call fails", DriverReply::Success(136), DriverReply::Failure(1), L"7", {kBitmapFailed}},
        {"bitmap count past the request", DriverReply::Success(136), DriverReply::Success(14), L"7", {kBitmapFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.debug.lines.clear();
        fixture.rows.values[2] = L"42";
        script.statisticsReply = [&c](auto out) {
            EncodeTrackingInfo({.writesSeen = 7}, out);
            return c.statistics;
        };
        script.bitmapReply = [&c](auto) { return c.bitmap; };
        Poll();
        EXPECT_EQ(fixture.rows.At(2), c.writes);
        EXPECT_EQ(fixture.debug.lines, c.debug);
        ASSERT_EQ(session.bitmap.SizeInBytes(), 16u);
        EXPECT_EQ(session.bitmap.Bytes()[1], 0xA5) << "the last bitmap is kept";
        EXPECT_EQ(fixture.pane.invalidations.back(), false);
    }
    EXPECT_EQ(script.bitmapRequestLengths.size(), 7u);
}

TEST_F(PollerTest, WithoutARecordNothingHappensWithoutAVolumeBothQueriesAreReported)
{
    AddVolume(kDriveC);
    OpenTrackedVolume(nullptr, kDriveC, fixture.host);
    PollTracking(nullptr, fixture.host);
    EXPECT_TRUE(fixture.driver.opens.empty());
    EXPECT_EQ(fixture.freeSpace.refreshes, 0);
    EXPECT_TRUE(fixture.pane.invalidations.empty());

    Poll();
    EXPECT_EQ(fixture.freeSpace.refreshes, 1);
    EXPECT_EQ(fixture.debug.lines, (Lines{kInfoFailed, kBitmapFailed}));
    EXPECT_EQ(fixture.pane.invalidations, std::vector<bool>{false});
}

TEST(GeometryFromRecordTest, CbtBlocksUse64BitProducts)
{
    EXPECT_EQ(GeometryFromRecord({512, 8, 100, 65536, 0xFFFFFFF0, 0xFFFFFFFF}).value().cbtFirstBlock, 0x0FFFFFFFu)
        << "a cluster far past the volume must not wrap into it";
}

} // namespace
} // namespace trackkit
