#include "tracking/poller.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/recording_host.h"

namespace trackkit {
namespace {

using Lines = std::vector<std::wstring>;
using Sizes = std::vector<std::size_t>;

constexpr wchar_t kDriveC[] = L"\\\\.\\C:";
const std::wstring kInfoFailed(kTrackingInfoFailedText), kBitmapFailed(kSessionBitmapFailedText);

// 4 KiB clusters, 64 KiB blocks, $CBT from cluster 160 (block 10) to the last 32-bit cluster, whose block
// only a 64-bit product finds.
constexpr TrackingGeometry kGeometry{512, 8, 100, 65536, 160, 0xFFFFFFFF};

class PollerTest : public ::testing::Test {
protected:
    testing::ScriptedVolume::Script& AddVolume(const wchar_t* path)
    {
        return fixture.driver.volumes[path] = {
                   .geometry = kGeometry, .info = {.writesSeen = 42}, .bitmap = std::vector<std::uint8_t>(16, 0xA5)};
    }
    void Open(const wchar_t* path) { fixture.Show(OpenTrackedVolume(&session, path, fixture.host)); }

    testing::RecordingHost fixture;
    TrackingSession session;
};

TEST_F(PollerTest, OpeningReadsTheGeometrySizesTheBitmapStartsTheTimerAndPollsOnceReselectingKeepsHandleAndBuffer)
{
    auto& script = AddVolume(kDriveC);
    Open(kDriveC);

    ASSERT_NE(session.volume, nullptr);
    const VolumeGeometry& g = session.geometry;
    EXPECT_EQ(std::tie(session.openPath, g.blockCount, g.bytesPerBlock, g.bytesPerCluster, g.cbtFirstBlock, g.cbtLastBlock),
              std::make_tuple(kDriveC, 100u, 65536u, 4096u, 10ull, 0x0FFFFFFFull));
    EXPECT_EQ(std::tie(fixture.timer.calls, script.statisticsQueries, fixture.rows.values[2], fixture.debug.lines,
                       fixture.pane.invalidations),
              std::make_tuple(Lines{L"start 1000"}, 1, L"42", Lines{}, std::vector{false, true}));
    EXPECT_EQ(script.bitmapRequestLengths, Sizes{13}) << "only (N + 7) / 8 bytes are asked for";
    EXPECT_EQ(std::vector(&session.bitmap.Bytes()[12], &session.bitmap.Bytes()[14]), (std::vector<std::uint8_t>{0xA5, 0}))
        << "padding past the request stays untouched";

    // Reselected while paused: the same handle, the geometry read again, one poll and no timer. A buffer of
    // the same size is kept with its bits and now asked for every block of the new count.
    const TrackedVolume* first = session.volume.get();
    const std::uint8_t* buffer = session.bitmap.Bytes().data();
    script.geometry.blockCount = 128;  // still 16 bytes
    script.bitmapReply = [](auto out) { return DriverReply::Success(static_cast<std::uint32_t>(out.size())); };
    session.pollPeriod = kPollPaused;
    Open(kDriveC);
    EXPECT_EQ(std::make_tuple(session.volume.get(), fixture.driver.opens, session.bitmap.Bytes().data(), session.bitmap.Test(103)),
              std::make_tuple(first, 1, buffer, true)) << "bit 103 (byte 12) kept and now below the count";
    EXPECT_EQ(std::tie(script.bitmapRequestLengths, fixture.timer.calls.back(), script.statisticsQueries),
              std::make_tuple(Sizes{13, 16}, L"stop", 2));

    AddVolume(L"\\\\.\\D:");
    Open(L"\\\\.\\D:");
    EXPECT_EQ(std::tie(script.closed, session.openPath), std::make_tuple(1, L"\\\\.\\D:")) << "another volume closes the first";
}

// From a healthy session, a failed open or a reply that describes no usable volume leaves no volume:
// the timer stops, rows 1 to 15 read "Unknown" (0, 16 and 17 keep theirs), the pane is erased.
TEST_F(PollerTest, BadOpensAndGeometriesEndInTheNoVolumeState)
{
    const struct { const char* name; const wchar_t* path; DriverReply reply; TrackingGeometry record; } cases[] = {
        {"volume does not open", L"\\\\.\\Q:", DriverReply::Success(56), kGeometry},
        {"call fails", kDriveC, DriverReply::Failure(50), kGeometry},
        {"one byte short", kDriveC, DriverReply::Success(55), kGeometry},
        {"one byte long", kDriveC, DriverReply::Success(57), kGeometry},
        {"no bytes", kDriveC, DriverReply::Success(0), kGeometry},
        {"no bytes per block", kDriveC, DriverReply::Success(56), {512, 8, 100, 0, 160, 191}},
        {"no blocks", kDriveC, DriverReply::Success(56), {512, 8, 0, 65536, 160, 191}},
        {"cluster size of 2^32 would wrap to 0", kDriveC, DriverReply::Success(56), {0x10000, 0x10000, 100, 65536, 160, 191}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.volume.reset();
        fixture.debug.lines.clear();
        auto& script = AddVolume(kDriveC);
        Open(kDriveC);
        script.geometryReply = [&c](auto out) { EncodeTrackingGeometry(c.record, out); return c.reply; };
        for (int row : {0, 16, 17})
            fixture.rows.values[row] = L"kept";

        Open(c.path);

        EXPECT_EQ(std::make_tuple(session.volume.get(), script.closed, session.bitmap.Empty(), session.geometry.blockCount),
                  std::make_tuple(nullptr, 1, true, 0u));
        EXPECT_EQ(std::make_tuple(fixture.timer.calls.back(), fixture.pane.invalidations.back(), script.statisticsQueries),
                  std::make_tuple(L"stop", true, 1)) << "stopped, repainted with erase, no poll after a rejected volume";
        for (int row = 0; row < kStatisticsRowCount; ++row)
            EXPECT_EQ(fixture.rows.At(row), row == 0 || row > 15 ? L"kept" : L"Unknown") << "row " << row;
        EXPECT_EQ(fixture.debug.lines, std::wstring_view(c.path) == kDriveC ? Lines{kInfoFailed} : Lines{});
    }
}

// Hands out nothing but records the size asked: a block count near 2^32 must ask for 512 MiB, not a wrapped,
// tiny buffer.
struct RefusingMemory final : BitmapMemory {
    Sizes requests;
    std::uint8_t* Allocate(std::size_t bytes) override { requests.push_back(bytes); return nullptr; }
    void Release(std::uint8_t*, std::size_t) override {}
};

TEST_F(PollerTest, AFailedAllocationCleansUpAndHugeCountsDoNotWrap)
{
    RefusingMemory memory;
    TrackingSession refused(memory);
    AddVolume(kDriveC).geometry.blockCount = 0xFFFFFFFF;
    fixture.Show(OpenTrackedVolume(&refused, kDriveC, fixture.host));
    EXPECT_EQ(memory.requests, Sizes{0x20000000});
    EXPECT_EQ(std::make_tuple(refused.volume.get(), fixture.rows.At(1), fixture.timer.calls),
              std::make_tuple(nullptr, L"Unknown", Lines{L"stop"}));
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
        script.statisticsReply = [&c](auto out) { EncodeTrackingInfo({.writesSeen = 7}, out); return c.statistics; };
        script.bitmapReply = [&c](auto) { return c.bitmap; };
        fixture.Show(PollTracking(&session, fixture.host));
        EXPECT_EQ(std::tie(fixture.rows.values[2], fixture.debug.lines), std::make_tuple(c.writes, c.debug));
        EXPECT_EQ(std::make_tuple(session.bitmap.Test(8), fixture.pane.invalidations.back()), std::make_tuple(true, false))
            << "the last bitmap is kept";
    }
    EXPECT_EQ(script.bitmapRequestLengths.size(), 7u);
}

TEST_F(PollerTest, WithoutARecordNothingHappensWithoutAVolumeBothQueriesAreReported)
{
    AddVolume(kDriveC);
    fixture.Show(OpenTrackedVolume(nullptr, kDriveC, fixture.host));
    fixture.Show(PollTracking(nullptr, fixture.host));
    EXPECT_EQ(std::make_tuple(fixture.driver.opens, fixture.freeSpaceRefreshes, fixture.pane.invalidations.size()),
              std::make_tuple(0, 0, 0u));
    fixture.Show(PollTracking(&session, fixture.host));
    EXPECT_EQ(std::tie(fixture.freeSpaceRefreshes, fixture.debug.lines, fixture.pane.invalidations),
              std::make_tuple(1, Lines{kInfoFailed, kBitmapFailed}, std::vector{false}));
}

} // namespace
} // namespace trackkit
