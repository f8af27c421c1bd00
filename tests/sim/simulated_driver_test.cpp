#include "sim/simulated_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <numeric>
#include <vector>

#include "sim/live_volume_driver.h"
#include "tracking/cluster_lookup.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::wstring_view kDriveC = L"\\\\.\\C:";
constexpr std::uint8_t kUntouched = 0xEE;

std::vector<std::uint8_t> Untouched(std::size_t size) { return std::vector<std::uint8_t>(size, kUntouched); }

std::uint32_t BlockCount(TrackedVolume& volume)
{
    std::array<std::uint8_t, kTrackingGeometryLength> out{};
    EXPECT_TRUE(volume.QueryGeometry(out).succeeded);
    return DecodeTrackingGeometry(out).value().blockCount;
}

// A scripted volume of 20 blocks: a 3-byte bitmap with 4 unused bits at the end.
class SimulatedDriverTest : public ::testing::Test {
protected:
    SimulatedDriverTest() : scripted(driver.AddScriptedVolume(kDriveC, {512, 8, 20, 65536, 100, 101}))
    {
        scripted.SetBitmap({0x81, 0x02, 0x0C});
    }

    std::unique_ptr<TrackedVolume> Open(std::wstring_view path = kDriveC)
    {
        OpenVolumeResult result = driver.OpenVolume(path);
        EXPECT_EQ(result.error, 0u);
        return std::move(result.volume);
    }

    VolumeSession& Session() { return *driver.Find(kDriveC); }

    SimulatedDriver driver;
    ScriptedSource& scripted;
};

TEST_F(SimulatedDriverTest, OpensKnownPathsInAnyLetterCaseAndAliasesSharingTheSessionUntilReplaced)
{
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\D:").error, kErrorFileNotFound);
    driver.SetUnknownPathError(21);
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\D:").volume, nullptr);
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\D:").error, 21u);

    const std::wstring_view volumeName = L"\\\\?\\Volume{0c1a5f3e-0000-0000-0000-100000000000}";
    ASSERT_TRUE(driver.AddAlias(volumeName, kDriveC));
    EXPECT_FALSE(driver.AddAlias(L"\\\\.\\Z:", L"\\\\.\\Y:"));
    auto first = Open(L"\\\\.\\c:");
    auto second = Open(volumeName);
    EXPECT_EQ(Session().OpenHandles(), 2);
    scripted.SetGeometry({512, 8, 30, 4096, 0, 0});
    EXPECT_EQ(BlockCount(*second), 30u);
    EXPECT_TRUE(second->RequestRemoval().succeeded);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Removal), 1u);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Open), 2u);
    second.reset();
    EXPECT_EQ(Session().OpenHandles(), 1);

    driver.AddScriptedVolume(kDriveC, {512, 8, 999, 65536, 0, 0});
    EXPECT_EQ(BlockCount(*first), 30u);
    EXPECT_EQ(BlockCount(*Open()), 999u);
}

// Output sizes around each record's length: exact, one short, one long, none.
// Only the reply's bytes are written; a failed query writes none.
TEST_F(SimulatedDriverTest, RecordQueriesNeedRoomForTheWholeRecordAndTheBitmapCopiesWhatFits)
{
    auto volume = Open();
    const struct {
        DriverRequest request;
        std::size_t outSize;
        std::uint32_t bytes;  // 0: fails with ERROR_INSUFFICIENT_BUFFER
    } cases[] = {
        {DriverRequest::Geometry, 56, 56},     {DriverRequest::Geometry, 55, 0},     {DriverRequest::Geometry, 57, 56},
        {DriverRequest::Geometry, 0, 0},       {DriverRequest::Statistics, 136, 136}, {DriverRequest::Statistics, 135, 0},
        {DriverRequest::Statistics, 137, 136}, {DriverRequest::Statistics, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.request) << " into " << c.outSize);
        std::vector<std::uint8_t> out = Untouched(c.outSize);
        const DriverReply reply =
            c.request == DriverRequest::Geometry ? volume->QueryGeometry(out) : volume->QueryStatistics(out);
        EXPECT_EQ(reply.succeeded, c.bytes != 0);
        EXPECT_EQ(reply.bytesReturned, c.bytes);
        EXPECT_EQ(reply.error, c.bytes != 0 ? 0u : kErrorInsufficientBuffer);
        EXPECT_EQ(out.size() > c.bytes, !out.empty() && out.back() == kUntouched);
    }

    std::vector<std::uint8_t> roomy = Untouched(5);
    EXPECT_EQ(volume->QuerySessionBitmap(roomy).bytesReturned, 3u);
    EXPECT_EQ(roomy, (std::vector<std::uint8_t>{0x81, 0x02, 0x0C, kUntouched, kUntouched}));
    std::vector<std::uint8_t> tight = Untouched(2);
    EXPECT_EQ(volume->QuerySessionBitmap(tight).bytesReturned, 2u);
    EXPECT_EQ(tight, (std::vector<std::uint8_t>{0x81, 0x02}));
    scripted.SetBitmap({});  // a script shorter than the volume: the blocks past it are unchanged
    scripted.MarkChanged(3);
    std::vector<std::uint8_t> padded = Untouched(3);
    EXPECT_EQ(volume->QuerySessionBitmap(padded).bytesReturned, 3u);
    EXPECT_EQ(padded, (std::vector<std::uint8_t>{0x08, 0x00, 0x00}));
}

TEST_F(SimulatedDriverTest, MalformedOrFailedLookupsLeaveTheReplyAlone)
{
    auto volume = Open();
    std::vector<std::uint8_t> reply = Untouched(256);
    EXPECT_EQ(volume->LookupStreamsFromClusters(EncodeLookupRequest(std::vector<std::uint64_t>{0}), reply).error, 1u)
        << "a file system without the lookup";
    scripted.SetLookupEntries({{1, 0x01000000, L"\\x::$DATA"}});
    ASSERT_TRUE(volume->LookupStreamsFromClusters(EncodeLookupRequest(std::vector<std::uint64_t>{5}), reply).succeeded);
    reply = Untouched(256);
    EXPECT_EQ(volume->LookupStreamsFromClusters(std::vector<std::uint8_t>{}, reply).error, 87u);
    EXPECT_EQ(scripted.LastLookupClusters(), std::vector<std::uint64_t>{5}) << "the file system never saw it";
    scripted.SetLookupError(2);
    EXPECT_EQ(volume->LookupStreamsFromClusters(EncodeLookupRequest(std::vector<std::uint64_t>{5}), reply).error, 2u);
    EXPECT_EQ(reply, Untouched(256));
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Lookup), 4u);
}

// The demo's driver: every volume opened gets one live session, sized from
// the real volume, which moves with the clock and describes its bitmap.
TEST(LiveVolumeDriverTest, EachRealVolumeGetsOneLiveSessionThatMovesWithTheClock)
{
    constexpr std::uint64_t kBlocks = (64ull << 30) / 65536;
    ManualClock clock;
    int sizeQueries = 0;
    LiveVolumeDriver driver(
        [&](std::wstring_view path) -> std::optional<std::uint64_t> {
            ++sizeQueries;
            if (path == L"\\\\.\\E:")
                return 0;  // an empty card reader
            return path == kDriveC ? std::optional<std::uint64_t>(64ull << 30) : std::nullopt;
        },
        clock, 133'000'000'000'000'000ull);
    auto volume = driver.OpenVolume(kDriveC).volume;
    ASSERT_NE(volume, nullptr);
    ASSERT_NE(driver.OpenVolume(L"\\\\.\\c:").volume, nullptr);
    EXPECT_EQ(sizeQueries, 1) << "the second open finds the session";
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\Q:").volume, nullptr);
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\E:").volume, nullptr) << "a volume of no size gets no session";
    EXPECT_EQ(BlockCount(*volume), kBlocks);

    std::vector<std::uint8_t> previous;
    for (int poll = 0; poll < 5; ++poll) {
        std::array<std::uint8_t, kTrackingInfoLength> record{};
        std::vector<std::uint8_t> bitmap(kBlocks / 8);
        ASSERT_TRUE(volume->QueryStatistics(record).succeeded && volume->QuerySessionBitmap(bitmap).succeeded);
        const TrackingInfo info = DecodeTrackingInfo(record).value();
        EXPECT_EQ(info.changedBlocks,
                  std::accumulate(bitmap.begin(), bitmap.end(), 0ull, [](auto sum, std::uint8_t b) { return sum + std::popcount(b); }));
        EXPECT_EQ(info.sessionStartFileTime, 133'000'000'000'000'000ull);
        if (poll == 0) {
            EXPECT_EQ(info.writesSeen, 0u);
        } else {
            EXPECT_EQ(bitmap != previous, poll > 1) << "the same instant, then every 250 ms: " << poll;
            clock.Advance(250ms);
        }
        previous = bitmap;
    }

    // A session with history opens on a volume that has already changed.
    LiveVolumeDriver busy([](std::wstring_view) { return std::optional<std::uint64_t>(50ull << 30); }, clock, 0, 2h);
    std::array<std::uint8_t, kTrackingInfoLength> record{};
    ASSERT_TRUE(busy.OpenVolume(kDriveC).volume->QueryStatistics(record).succeeded);
    EXPECT_GT(DecodeTrackingInfo(record)->changedBlocks, 1000u);
    EXPECT_EQ(FileTimeFromSystemTime(std::chrono::system_clock::time_point{} + 1s + 300ns), 116'444'736'010'000'003ULL);
}

} // namespace
} // namespace trackkit
