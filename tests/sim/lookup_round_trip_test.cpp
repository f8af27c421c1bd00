// The program's cluster lookup against the simulated file system: the
// request it builds for a block-map cell, the simulation's reply and the
// program's reading of it agree, though each side was written on its own
// from the published records.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "common/byte_reader.h"
#include "sim/simulated_driver.h"
#include "tracking/cluster_lookup.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::wstring_view kDriveE = L"\\\\.\\E:";
constexpr std::uint8_t kUntouched = 0xEE;

TEST(LookupRoundTrip, ScriptedStreamsAreListedSortedWhateverTheFirstBufferSize)
{
    SimulatedDriver driver;
    ScriptedSource& source = driver.AddScriptedVolume(kDriveE, {512, 8, 64, 65536, 40, 40});
    source.SetLookupEntries({{900, 0x01000002, L"\\a.txt::$DATA"},
                             {100, 0x03000005, L"\\pagefile.sys::$DATA"},
                             {500, 0x01000000, L"\\Data\\sales.mdf::$DATA"}});
    auto volume = driver.OpenVolume(kDriveE).volume;
    ASSERT_NE(volume, nullptr);

    for (const std::size_t firstLength : {std::size_t{16}, std::size_t{100}, kLookupReplyFirstLength}) {
        SCOPED_TRACE(firstLength);
        const ClusterLookupResult result = LookUpCell(*volume, {8, 4, 64, 65536, 4096}, {firstLength, 1024 * 1024});
        ASSERT_EQ(result.outcome, LookupOutcome::Listed);
        EXPECT_EQ(result.title, L"Clusters 100 to 900 (3)");
        ASSERT_EQ(result.entries.size(), 3u);
        EXPECT_EQ(result.entries[0].fileName, L"\\pagefile.sys::$DATA");
        EXPECT_EQ(FlagWords(result.entries[0].flags), L"PageFile| FsSys| System");
        EXPECT_EQ(result.entries[2].fileName, L"\\a.txt::$DATA");
    }
    EXPECT_EQ(source.LastLookupClusters(), (std::vector<std::uint64_t>{128, 144, 160, 176}));

    source.SetLookupEntries({});
    EXPECT_EQ(LookUpCell(*volume, {8, 4, 64, 65536, 4096}).outcome, LookupOutcome::Notice);
    source.SetLookupError(2);
    EXPECT_EQ(LookUpCell(*volume, {8, 4, 64, 65536, 4096}).outcome, LookupOutcome::Notice);
}

TEST(LookupRoundTrip, BusyCellsOfTheDemoNameTheFilesBeingWritten)
{
    ManualClock clock;
    SimulatedDriver driver;
    WorkloadConfig config;
    config.volumeBytes = 64ULL << 30;
    config.seed = 21;
    LiveSource& live = driver.AddLiveVolume(kDriveE, config, clock);
    auto volume = driver.OpenVolume(kDriveE).volume;
    ASSERT_NE(volume, nullptr);
    clock.Advance(1min);

    const WriteWorkload& workload = live.Workload();
    const TrackingGeometry geometry = workload.Geometry();
    const std::pair<std::uint64_t, const wchar_t*> cells[] = {
        {workload.Layout().hot.first, L"\\Data\\sales.mdf::$DATA"},
        {workload.Layout().log.first, L"\\Data\\Logs\\app-2026-12-01.log::$DATA"},
        {CbtBlocks(geometry).first, L"\\System Volume Information\\$CBT::$DATA"},
        {workload.Layout().copyTargets[1].first, L"\\Backups\\copy-02.bak::$DATA"},
    };
    for (const auto& [firstBlock, name] : cells) {
        const ClusterLookupResult result =
            LookUpCell(*volume, {firstBlock, 4, geometry.blockCount, geometry.bytesPerBlock, 4096});
        ASSERT_EQ(result.outcome, LookupOutcome::Listed) << firstBlock;
        EXPECT_EQ(result.entries.front().fileName, name);
    }
}

// Names of 0 to 9 units put every padding there is between entries; the last
// has characters outside ASCII and outside the 16-bit range, which the
// program reads as the UTF-16 units they are on the wire.
TEST(LookupReplyTest, EveryNameReadsBackThroughTheProgramsDecoder)
{
    std::vector<ClusterOwner> owners;
    std::vector<ClusterLookupEntry> expected;
    for (std::uint32_t length = 0; length < 10; ++length)
        owners.push_back({1000 + length, 0x01000000 | length, std::wstring(length, static_cast<wchar_t>(L'a' + length))});
    owners.push_back({std::uint64_t{1} << 40, OwnerFlags::kIndex, L"\\Dossiers\\Été\\\U0001F4C1:$I30:$INDEX_ALLOCATION"});
    for (const ClusterOwner& owner : owners)
        expected.push_back({owner.cluster, owner.flags, owner.fileName});
    expected.back().fileName = L"\\Dossiers\\Été\\\xD83D\xDCC1:$I30:$INDEX_ALLOCATION";  // UTF-16 units, as on Windows

    std::vector<std::uint8_t> bytes(4096, kUntouched);
    const DriverReply reply = WriteLookupReply(owners, bytes);
    ASSERT_TRUE(reply.succeeded);
    EXPECT_EQ(reply.bytesReturned, LookupReplyLength(owners));
    EXPECT_EQ(bytes[reply.bytesReturned], kUntouched);
    EXPECT_EQ(DecodeLookupReply(std::span(bytes).first(reply.bytesReturned)), expected);
    ByteReader header(bytes);
    EXPECT_EQ(header.U32At(4), owners.size());
    EXPECT_EQ(header.U32At(8), reply.bytesReturned);
}

// Reply sizes around what two entries need: one long, exact, one short, the
// header alone, one short of the header, none.
TEST(LookupReplyTest, AReplyThatDoesNotFitTellsTheSizeItNeeds)
{
    constexpr std::uint32_t kInsufficientBuffer = 122;
    constexpr std::uint32_t kMoreData = 234;
    const std::vector<ClusterOwner> owners{{7, OwnerFlags::kData, L"\\pagefile.sys::$DATA"},
                                           {8, OwnerFlags::kSystem, L"\\$MFT::$BITMAP"}};
    const std::size_t required = 142;  // 16 + 24 + 21 units (66, padded to 72) + 24 + 15 units (54)
    ASSERT_EQ(LookupReplyLength(owners), required);
    const struct {
        std::size_t size;
        std::uint32_t error;  // 0: succeeds
    } cases[] = {{required + 1, 0}, {required, 0}, {required - 1, kMoreData}, {12, kMoreData},
                 {11, kInsufficientBuffer}, {0, kInsufficientBuffer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<std::uint8_t> bytes(c.size, kUntouched);
        const DriverReply reply = WriteLookupReply(owners, bytes);
        EXPECT_EQ(reply.succeeded, c.error == 0);
        EXPECT_EQ(reply.error, c.error);
        ByteReader header(bytes);
        if (c.error == kInsufficientBuffer) {
            EXPECT_EQ(std::ranges::count(bytes, kUntouched), static_cast<std::ptrdiff_t>(c.size));
        } else if (c.error == kMoreData) {
            EXPECT_EQ(header.U32At(0), 0u);  // no entry follows
            EXPECT_EQ(header.U32At(4), 2u);
            EXPECT_EQ(header.U32At(8), required);
            EXPECT_EQ(std::ranges::count(bytes, kUntouched), static_cast<std::ptrdiff_t>(c.size - 12));
        } else {
            EXPECT_EQ(DecodeLookupReply(std::span(bytes).first(reply.bytesReturned)).size(), 2u);
        }
    }
}

// The program's requests read back; malformed ones are the file system's
// ERROR_INVALID_PARAMETER.
TEST(LookupRequestTest, AcceptsOnlyRequestsThatHoldTheirClusters)
{
    using Clusters = std::vector<std::uint64_t>;
    // The program's request for these clusters, its count, flags or length changed.
    const auto request = [](const Clusters& clusters, std::uint32_t count, std::uint8_t flags = 0, int extraBytes = 0) {
        std::vector<std::uint8_t> bytes = EncodeLookupRequest(clusters);
        ByteWriter(bytes).U32At(4, count);
        bytes[0] = flags;
        bytes.resize(static_cast<std::size_t>(static_cast<int>(bytes.size()) + extraBytes), 0x55);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<Clusters> clusters;
    } cases[] = {
        {"several, in order, repeats kept", EncodeLookupRequest(Clusters{900, 100, 100, ~0ULL}), Clusters{900, 100, 100, ~0ULL}},
        {"bytes past the last cluster", request({7}, 1, 0, 1), Clusters{7}},
        {"fewer clusters asked than sent", request({1, 2}, 1), Clusters{1}},
        {"empty", {}, std::nullopt},
        {"header cut short", {0, 0, 0, 0, 1, 0, 0}, std::nullopt},
        {"header alone, counting none", EncodeLookupRequest(Clusters{}), std::nullopt},
        {"no cluster, though some sent", request({3}, 0), std::nullopt},
        {"count past the clusters sent", request({1, 2}, 3), std::nullopt},
        {"last cluster one byte short", request({5, 6}, 2, 0, -1), std::nullopt},
        {"count that would wrap a length", request({1}, 0xFFFFFFFF), std::nullopt},
        {"flags", request({42}, 1, 1), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClustersOfLookupRequest(c.bytes), c.clusters) << c.what;
}

} // namespace
} // namespace trackkit
