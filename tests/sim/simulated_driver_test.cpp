#include "sim/simulated_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace trackkit {
namespace {

constexpr std::wstring_view kDriveC = L"\\\\.\\C:";
constexpr std::uint8_t kUntouched = 0xEE;

std::vector<std::uint8_t> Untouched(std::size_t size)
{
    return std::vector<std::uint8_t>(size, kUntouched);
}

DriverReply Send(TrackedVolume& volume, DriverRequest request, std::span<std::uint8_t> out)
{
    switch (request) {
    case DriverRequest::Geometry:
        return volume.QueryGeometry(out);
    case DriverRequest::Statistics:
        return volume.QueryStatistics(out);
    case DriverRequest::Bitmap:
        return volume.QuerySessionBitmap(out);
    default:
        return volume.RequestRemoval();
    }
}

// A scripted volume of 20 blocks: a 3-byte bitmap with 4 unused bits at the end.
class SimulatedDriverTest : public ::testing::Test {
protected:
    SimulatedDriverTest() : scripted(driver.AddScriptedVolume(kDriveC, {512, 8, 20, 65536, 100, 101}))
    {
        TrackingInfo info;
        info.writesSeen = 1001;
        info.sessionStartFileTime = 133'000'000'000'000'000ULL;
        info.queuedWrites = 44;
        scripted.SetStatistics(info);
        scripted.SetBitmap({0x81, 0x02, 0x0C});
    }

    std::unique_ptr<TrackedVolume> Open(std::wstring_view path = kDriveC)
    {
        OpenVolumeResult result = driver.OpenVolume(path);
        EXPECT_EQ(result.error, 0u);
        return std::move(result.volume);
    }

    TrackingGeometry Geometry(TrackedVolume& volume)
    {
        std::array<std::uint8_t, kTrackingGeometryLength> out{};
        EXPECT_TRUE(volume.QueryGeometry(out).succeeded);
        return DecodeTrackingGeometry(out).value();
    }

    VolumeSession& Session() { return *driver.Find(kDriveC); }
    FaultPlan& Faults() { return Session().Faults(); }

    SimulatedDriver driver;
    ScriptedSource& scripted;
};

// --- Opening volumes -------------------------------------------------------

TEST_F(SimulatedDriverTest, OpensKnownPathsInAnyLetterCaseAndTheirAliases)
{
    OpenVolumeResult unknown = driver.OpenVolume(L"\\\\.\\D:");
    EXPECT_EQ(unknown.volume, nullptr);
    EXPECT_EQ(unknown.error, kErrorFileNotFound);
    driver.SetUnknownPathError(21);
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\D:").error, 21u);

    EXPECT_NE(Open(L"\\\\.\\c:"), nullptr);

    const std::wstring_view volumeName = L"\\\\?\\Volume{0c1a5f3e-0000-0000-0000-100000000000}";
    ASSERT_TRUE(driver.AddAlias(volumeName, kDriveC));
    EXPECT_FALSE(driver.AddAlias(L"\\\\.\\Z:", L"\\\\.\\Y:"));
    EXPECT_TRUE(Open(volumeName)->RequestRemoval().succeeded);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Removal), 1u);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Open), 2u);
}

TEST_F(SimulatedDriverTest, HandlesShareTheSessionUntilTheVolumeIsReplaced)
{
    auto first = Open();
    auto second = Open();
    EXPECT_EQ(Session().OpenHandles(), 2);
    scripted.SetGeometry({512, 8, 30, 4096, 0, 0});
    EXPECT_EQ(Geometry(*first).blockCount, 30u);
    EXPECT_EQ(Geometry(*second).bytesPerBlock, 4096u);
    second.reset();
    EXPECT_EQ(Session().OpenHandles(), 1);

    driver.AddScriptedVolume(kDriveC, {512, 8, 999, 65536, 0, 0});
    EXPECT_EQ(Geometry(*first).blockCount, 30u);
    EXPECT_EQ(Geometry(*Open()).blockCount, 999u);
}

TEST_F(SimulatedDriverTest, OpenFaultsFailOnceOrUntilCleared)
{
    Faults().Once(DriverRequest::Open, Fault::Error(5));
    EXPECT_EQ(driver.OpenVolume(kDriveC).error, 5u);
    EXPECT_NE(Open(), nullptr);

    Faults().Always(DriverRequest::Open, Fault::Error(32));
    EXPECT_EQ(driver.OpenVolume(kDriveC).volume, nullptr);
    EXPECT_EQ(driver.OpenVolume(kDriveC).error, 32u);
    Faults().Clear(DriverRequest::Open);
    EXPECT_NE(Open(), nullptr);
}

// --- Answers ---------------------------------------------------------------

TEST_F(SimulatedDriverTest, ScriptedRecordsRoundTripThroughTheDecoders)
{
    auto volume = Open();
    const TrackingGeometry geometry = Geometry(*volume);
    EXPECT_EQ(geometry.clusterFactor1 * geometry.clusterFactor2, 4096u);
    EXPECT_EQ(geometry.blockCount, 20u);
    EXPECT_EQ(geometry.bytesPerBlock, 65536u);
    EXPECT_EQ(geometry.cbtFirstLcn, 100u);
    EXPECT_EQ(geometry.cbtLastLcn, 101u);

    std::array<std::uint8_t, kTrackingInfoLength> out{};
    EXPECT_EQ(volume->QueryStatistics(out).bytesReturned, kTrackingInfoLength);
    const TrackingInfo info = DecodeTrackingInfo(out).value();
    EXPECT_EQ(info.writesSeen, 1001u);
    EXPECT_EQ(info.sessionStartFileTime, 133'000'000'000'000'000ULL);
    EXPECT_EQ(info.queuedWrites, 44u);
}

// Output sizes around each record's length: exact, one short, one long, none.
TEST_F(SimulatedDriverTest, RecordQueriesNeedRoomForTheWholeRecord)
{
    auto volume = Open();
    struct Case {
        DriverRequest request;
        std::size_t outSize;
        std::uint32_t bytes;  // 0: fails with ERROR_INSUFFICIENT_BUFFER
    };
    const Case cases[] = {
        {DriverRequest::Geometry, 56, 56},    {DriverRequest::Geometry, 55, 0},
        {DriverRequest::Geometry, 57, 56},    {DriverRequest::Geometry, 0, 0},
        {DriverRequest::Statistics, 136, 136}, {DriverRequest::Statistics, 135, 0},
        {DriverRequest::Statistics, 137, 136}, {DriverRequest::Statistics, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.request) << " into " << c.outSize);
        std::vector<std::uint8_t> out = Untouched(c.outSize);
        const DriverReply reply = Send(*volume, c.request, out);
        EXPECT_EQ(reply.succeeded, c.bytes != 0);
        EXPECT_EQ(reply.bytesReturned, c.bytes);
        EXPECT_EQ(reply.error, c.bytes != 0 ? 0u : kErrorInsufficientBuffer);
        // Only the reply's bytes are written; a failed query writes none.
        EXPECT_EQ(out.size() > c.bytes, !out.empty() && out.back() == kUntouched);
    }
}

TEST_F(SimulatedDriverTest, BitmapQueryCopiesWhatFitsOfTheVolumesBytes)
{
    auto volume = Open();
    std::vector<std::uint8_t> roomy = Untouched(5);
    EXPECT_EQ(volume->QuerySessionBitmap(roomy).bytesReturned, 3u);
    EXPECT_EQ(roomy, (std::vector<std::uint8_t>{0x81, 0x02, 0x0C, kUntouched, kUntouched}));

    std::vector<std::uint8_t> tight = Untouched(2);
    EXPECT_EQ(volume->QuerySessionBitmap(tight).bytesReturned, 2u);
    EXPECT_EQ(tight, (std::vector<std::uint8_t>{0x81, 0x02}));

    // A script shorter than the volume: the blocks past it are unchanged.
    scripted.SetBitmap({});
    scripted.MarkChanged(3);
    std::vector<std::uint8_t> padded = Untouched(3);
    EXPECT_EQ(volume->QuerySessionBitmap(padded).bytesReturned, 3u);
    EXPECT_EQ(padded, (std::vector<std::uint8_t>{0x08, 0x00, 0x00}));
}

// --- Faults ----------------------------------------------------------------

TEST_F(SimulatedDriverTest, ErrorFaultsFailTheirRequestAndCount)
{
    auto volume = Open();
    for (DriverRequest request :
         {DriverRequest::Geometry, DriverRequest::Statistics, DriverRequest::Bitmap, DriverRequest::Removal}) {
        SCOPED_TRACE(static_cast<int>(request));
        Faults().Once(request, Fault::Error(1167));
        std::vector<std::uint8_t> out = Untouched(kTrackingInfoLength);
        const DriverReply failed = Send(*volume, request, out);
        EXPECT_FALSE(failed.succeeded);
        EXPECT_EQ(failed.error, 1167u);
        EXPECT_EQ(out, Untouched(kTrackingInfoLength));
        EXPECT_TRUE(Send(*volume, request, out).succeeded);
        EXPECT_EQ(Session().Requests().Of(request), 2u);
    }
}

TEST_F(SimulatedDriverTest, ShortAndLongRepliesMisstateTheByteCount)
{
    auto volume = Open();
    Faults().Once(DriverRequest::Geometry, Fault::ShortBy(1));
    Faults().Once(DriverRequest::Geometry, Fault::LongBy(1));
    std::vector<std::uint8_t> geometry = Untouched(kTrackingGeometryLength);
    EXPECT_EQ(volume->QueryGeometry(geometry).bytesReturned, 55u);
    EXPECT_EQ(geometry[55], kUntouched);
    EXPECT_EQ(volume->QueryGeometry(geometry).bytesReturned, 57u);
    EXPECT_EQ(DecodeTrackingGeometry(geometry)->blockCount, 20u);

    Faults().Once(DriverRequest::Bitmap, Fault::ShortBy(5));
    Faults().Once(DriverRequest::Bitmap, Fault::LongBy(100));
    std::vector<std::uint8_t> bitmap = Untouched(3);
    EXPECT_EQ(volume->QuerySessionBitmap(bitmap).bytesReturned, 0u);
    EXPECT_EQ(bitmap, Untouched(3));
    EXPECT_EQ(volume->QuerySessionBitmap(bitmap).bytesReturned, 103u);
    EXPECT_EQ(bitmap[0], 0x81);
}

TEST_F(SimulatedDriverTest, GeometryFaultsZeroOneFieldAndKeepTheRest)
{
    auto volume = Open();
    Faults().Once(DriverRequest::Geometry, Fault::NoBytesPerBlock());
    Faults().Once(DriverRequest::Geometry, Fault::NoBlocks());

    const TrackingGeometry noBytes = Geometry(*volume);
    EXPECT_EQ(noBytes.bytesPerBlock, 0u);
    EXPECT_EQ(noBytes.blockCount, 20u);
    const TrackingGeometry noBlocks = Geometry(*volume);
    EXPECT_EQ(noBlocks.blockCount, 0u);
    EXPECT_EQ(noBlocks.bytesPerBlock, 65536u);
    EXPECT_EQ(Geometry(*volume).blockCount, 20u);
}

TEST_F(SimulatedDriverTest, OneShotFaultsComeFirstThenThePersistentOneUntilCleared)
{
    auto volume = Open();
    Faults().Always(DriverRequest::Statistics, Fault::Error(50));
    Faults().Once(DriverRequest::Statistics, Fault::Error(1));
    Faults().Once(DriverRequest::Statistics, Fault::Error(2));

    std::array<std::uint8_t, kTrackingInfoLength> out{};
    EXPECT_EQ(volume->QueryStatistics(out).error, 1u);
    EXPECT_EQ(volume->QueryStatistics(out).error, 2u);
    EXPECT_EQ(volume->QueryStatistics(out).error, 50u);
    EXPECT_EQ(volume->QueryStatistics(out).error, 50u);
    EXPECT_TRUE(volume->QuerySessionBitmap(out).succeeded);
    Faults().ClearAll();
    EXPECT_TRUE(volume->QueryStatistics(out).succeeded);
}

} // namespace
} // namespace trackkit
