#include "sim/simulated_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/lookup_reply_reader.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;
using test::ReadLookupReply;
using test::ReadReply;

constexpr std::wstring_view kDriveE = L"\\\\.\\E:";
constexpr std::uint32_t kInvalidFunction = 1;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kMoreData = 234;
constexpr std::uint8_t kUntouched = 0xEE;

std::vector<std::uint8_t> Request(const std::vector<std::uint64_t>& clusters)
{
    std::vector<std::uint8_t> bytes(8 + 8 * clusters.size(), 0);
    const auto count = static_cast<std::uint32_t>(clusters.size());
    for (std::size_t i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        for (std::size_t i = 0; i < 8; ++i)
            bytes[8 + 8 * c + i] = static_cast<std::uint8_t>(clusters[c] >> (8 * i));
    }
    return bytes;
}

struct Lookup {
    DriverReply reply;
    std::vector<std::uint8_t> bytes;  // the whole reply buffer

    ReadReply Read() const { return ReadLookupReply(std::span(bytes).first(reply.bytesReturned)); }
};

Lookup Ask(TrackedVolume& volume, const std::vector<std::uint8_t>& request, std::size_t replySize = 4096)
{
    Lookup lookup{{}, std::vector<std::uint8_t>(replySize, kUntouched)};
    lookup.reply = volume.LookupStreamsFromClusters(request, lookup.bytes);
    return lookup;
}

class ScriptedLookupTest : public ::testing::Test {
protected:
    ScriptedLookupTest() : scripted(driver.AddScriptedVolume(kDriveE, {512, 8, 64, 65536, 40, 40})) {}

    std::unique_ptr<TrackedVolume> Open() { return driver.OpenVolume(kDriveE).volume; }
    VolumeSession& Session() { return *driver.Find(kDriveE); }

    SimulatedDriver driver;
    ScriptedSource& scripted;
};

TEST_F(ScriptedLookupTest, WithoutAScriptTheFileSystemDoesNotKnowTheRequest)
{
    auto volume = Open();
    const Lookup lookup = Ask(*volume, Request({0}));
    EXPECT_FALSE(lookup.reply.succeeded);
    EXPECT_EQ(lookup.reply.error, kInvalidFunction);

    SimulatedDriver replayDriver;
    replayDriver.AddReplayVolume(kDriveE, {512, 8, 8, 65536, 0, 0}, {});
    EXPECT_EQ(Ask(*replayDriver.OpenVolume(kDriveE).volume, Request({0})).reply.error, kInvalidFunction);
}

TEST_F(ScriptedLookupTest, ScriptedEntriesAreTheReplyWhateverIsAsked)
{
    auto volume = Open();
    scripted.SetLookupEntries({{900, 0x01000002, L"\\a.txt::$DATA"}, {100, 0x03000005, L"\\pagefile.sys::$DATA"}});
    const Lookup lookup = Ask(*volume, Request({16, 32, 48}));
    ASSERT_TRUE(lookup.reply.succeeded);
    EXPECT_EQ(scripted.LastLookupClusters(), (std::vector<std::uint64_t>{16, 32, 48}));

    const ReadReply read = lookup.Read();
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].cluster, 900u);
    EXPECT_EQ(read.entries[0].flags, 0x01000002u);
    EXPECT_EQ(read.entries[0].name, L"\\a.txt::$DATA");
    EXPECT_EQ(read.entries[1].cluster, 100u);
    EXPECT_EQ(read.entries[1].name, L"\\pagefile.sys::$DATA");

    scripted.SetLookupEntries({});
    const Lookup empty = Ask(*volume, Request({16}));
    ASSERT_TRUE(empty.reply.succeeded);
    EXPECT_EQ(empty.reply.bytesReturned, 12u);
    EXPECT_EQ(empty.Read().offset, 0u);

    scripted.SetLookupError(kFileNotFound);
    const Lookup failed = Ask(*volume, Request({16}));
    EXPECT_FALSE(failed.reply.succeeded);
    EXPECT_EQ(failed.reply.error, kFileNotFound);
    EXPECT_EQ(failed.bytes, std::vector<std::uint8_t>(4096, kUntouched));
}

TEST_F(ScriptedLookupTest, MalformedRequestsFailBeforeTheFileSystemSeesThem)
{
    auto volume = Open();
    scripted.SetLookupEntries({{1, 0x01000000, L"\\x::$DATA"}});
    ASSERT_TRUE(Ask(*volume, Request({5})).reply.succeeded);

    std::vector<std::uint8_t> countTooHigh = Request({1, 2});
    countTooHigh[4] = 3;
    std::vector<std::uint8_t> withFlags = Request({1});
    withFlags[0] = 1;
    const std::vector<std::uint8_t> requests[] = {{}, {0, 0, 0, 0, 1, 0, 0}, Request({}), countTooHigh, withFlags};
    for (const std::vector<std::uint8_t>& request : requests) {
        SCOPED_TRACE(request.size());
        const Lookup lookup = Ask(*volume, request);
        EXPECT_FALSE(lookup.reply.succeeded);
        EXPECT_EQ(lookup.reply.error, kInvalidParameter);
        EXPECT_EQ(scripted.LastLookupClusters(), std::vector<std::uint64_t>{5});
    }
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Lookup), 6u);
}

TEST_F(ScriptedLookupTest, ASmallReplyBufferGetsTheSizeItNeeds)
{
    auto volume = Open();
    scripted.SetLookupEntries({{7, 0x01000000, L"\\Data\\sales.mdf::$DATA"}});
    const std::size_t needed = 24 + 2 * 23 + 16;
    const Lookup small = Ask(*volume, Request({7}), 64);
    EXPECT_FALSE(small.reply.succeeded);
    EXPECT_EQ(small.reply.error, kMoreData);
    const ReadReply header = ReadLookupReply(std::span(small.bytes).first(12));
    EXPECT_EQ(header.sizeRequired, needed);
    EXPECT_EQ(header.matches, 1u);

    const Lookup fits = Ask(*volume, Request({7}), header.sizeRequired);
    ASSERT_TRUE(fits.reply.succeeded);
    EXPECT_EQ(fits.reply.bytesReturned, needed);
}

TEST_F(ScriptedLookupTest, FaultsApplyToLookupsToo)
{
    auto volume = Open();
    scripted.SetLookupEntries({{7, 0x01000000, L"\\Data\\sales.mdf::$DATA"}});
    const std::uint32_t whole = Ask(*volume, Request({7})).reply.bytesReturned;

    Session().Faults().Once(DriverRequest::Lookup, Fault::Error(1117));
    Session().Faults().Once(DriverRequest::Lookup, Fault::ShortBy(10));
    Session().Faults().Once(DriverRequest::Lookup, Fault::LongBy(100));

    const Lookup failed = Ask(*volume, Request({7}));
    EXPECT_EQ(failed.reply.error, 1117u);
    EXPECT_TRUE(scripted.LastLookupClusters() == std::vector<std::uint64_t>{7});

    const Lookup cut = Ask(*volume, Request({7}));
    ASSERT_TRUE(cut.reply.succeeded);
    EXPECT_EQ(cut.reply.bytesReturned, whole - 10);
    EXPECT_EQ(cut.bytes[whole - 10], kUntouched);  // the name's tail never arrives

    const Lookup claimed = Ask(*volume, Request({7}));
    EXPECT_EQ(claimed.reply.bytesReturned, whole + 100);
    EXPECT_EQ(ReadLookupReply(std::span(claimed.bytes).first(whole)).entries.at(0).name, L"\\Data\\sales.mdf::$DATA");

    EXPECT_TRUE(Ask(*volume, Request({7})).reply.succeeded);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Lookup), 5u);
}

// --- The demo's live volumes -----------------------------------------------

TEST(LiveLookupTest, ALiveVolumeAnswersFromItsFileLayout)
{
    ManualClock clock;
    SimulatedDriver driver;
    WorkloadConfig config;
    config.volumeBytes = 64ULL << 30;
    config.seed = 21;
    LiveSource& live = driver.AddLiveVolume(kDriveE, config, clock);
    auto volume = driver.OpenVolume(kDriveE).volume;
    clock.Advance(1min);

    const WriteWorkload& workload = live.Workload();
    const std::uint64_t clustersPerBlock = workload.Geometry().bytesPerBlock / 4096;
    const std::uint64_t hot = workload.Layout().hot.first * clustersPerBlock;
    const std::uint64_t log = workload.Layout().log.first * clustersPerBlock;
    const Lookup lookup = Ask(*volume, Request({hot, hot + clustersPerBlock, log, workload.Geometry().cbtFirstLcn}));
    ASSERT_TRUE(lookup.reply.succeeded);
    const ReadReply read = lookup.Read();
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].cluster, hot);
    EXPECT_EQ(read.entries[0].name, L"\\Data\\sales.mdf::$DATA");
    EXPECT_EQ(read.entries[1].name, L"\\Data\\Logs\\app-2026-12-01.log::$DATA");
    EXPECT_EQ(read.entries[2].name, L"\\System Volume Information\\$CBT::$DATA");

    const std::uint64_t clusters = live.Files().ClusterCount();
    const Lookup past = Ask(*volume, Request({clusters, clusters + 1, ~0ULL}));
    ASSERT_TRUE(past.reply.succeeded);
    EXPECT_EQ(past.Read().matches, 0u);
    EXPECT_TRUE(past.Read().entries.empty());
}

} // namespace
} // namespace trackkit
