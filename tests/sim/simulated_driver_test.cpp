// The simulated driver and file system, and the program's cluster lookup against them: the request it builds,
// the simulation's reply and the program's reading of it agree, though each side was written on its own.
#include "sim/simulated_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>

#include "common/byte_reader.h"
#include "sim/live_volume_driver.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clusters = std::vector<std::uint64_t>;

constexpr std::wstring_view kDriveC = L"\\\\.\\C:";
constexpr std::uint8_t kUntouched = 0xEE;

TrackingGeometry GeometryOf(TrackedVolume& volume)
{
    std::array<std::uint8_t, kTrackingGeometryLength> out{};
    return volume.QueryGeometry(out).succeeded ? DecodeTrackingGeometry(out).value() : TrackingGeometry{};
}

// 20 blocks: a 3-byte bitmap with 4 unused bits. Record queries get output sizes around each record's length; only
// the reply's bytes are written, a failed query writes none. A bitmap is copied as far as it fits, zeros past a short script.
TEST(SimulatedDriverTest, AScriptedVolumeAnswersLikeTheDriverAndTheFileSystem)
{
    SimulatedDriver driver;
    ScriptedSource& scripted = driver.AddScriptedVolume(kDriveC, {512, 8, 20, 65536, 100, 101});
    std::unique_ptr<TrackedVolume> volume = driver.OpenVolume(kDriveC).volume;
    VolumeSession& session = *driver.Find(kDriveC);
    const struct { bool geometry; std::size_t outSize; std::uint32_t bytes; /* 0: ERROR_INSUFFICIENT_BUFFER */ } cases[] = {
        {true, 56, 56}, {true, 55, 0}, {true, 57, 56}, {true, 0, 0}, {false, 136, 136}, {false, 135, 0}, {false, 137, 136}, {false, 0, 0},
    };
    for (const auto& c : cases) {
        Bytes out(c.outSize, kUntouched);
        const DriverReply reply = c.geometry ? volume->QueryGeometry(out) : volume->QueryStatistics(out);
        EXPECT_EQ(std::tie(reply.succeeded, reply.bytesReturned, reply.error),
                  std::make_tuple(c.bytes != 0, c.bytes, c.bytes != 0 ? 0u : kErrorInsufficientBuffer)) << c.outSize;
        EXPECT_EQ(out.size() > c.bytes, !out.empty() && out.back() == kUntouched) << c.outSize;
    }
    for (const auto& [script, expected] : {std::pair{Bytes{0x81, 0x02, 0x0C}, Bytes{0x89, 0x02, 0x0C, kUntouched, kUntouched}},
                                           {Bytes{0x81, 0x02, 0x0C}, Bytes{0x89, 0x02}}, {Bytes{}, Bytes{0x08, 0x00, 0x00}}}) {
        scripted.SetBitmap(script);
        scripted.MarkChanged(3);
        Bytes out(expected.size(), kUntouched);
        EXPECT_EQ(volume->QuerySessionBitmap(out).bytesReturned, std::min<std::size_t>(out.size(), 3));
        EXPECT_EQ(out, expected);
    }

    // Malformed or failed lookups leave the reply alone.
    Bytes reply(256, kUntouched);
    const Bytes askFive = EncodeLookupRequest(Clusters{5});
    EXPECT_EQ(volume->LookupStreamsFromClusters(askFive, reply).error, 1u) << "a file system without the lookup";
    scripted.SetLookupEntries({{1, 0x01000000, L"\\x::$DATA"}});
    ASSERT_TRUE(volume->LookupStreamsFromClusters(askFive, reply).succeeded);
    reply.assign(256, kUntouched);
    EXPECT_EQ(volume->LookupStreamsFromClusters(Bytes{}, reply).error, 87u);
    EXPECT_EQ(scripted.LastLookupClusters(), Clusters{5}) << "the file system never saw it";
    scripted.SetLookupError(2);
    EXPECT_EQ(volume->LookupStreamsFromClusters(askFive, reply).error, 2u);
    EXPECT_EQ(std::pair(reply, session.Requests().Of(DriverRequest::Lookup)), std::pair(Bytes(256, kUntouched), std::uint64_t{4}));
    scripted.SetLookupEntries({});
    EXPECT_EQ(LookUpCell(*volume, {8, 4, 20, 65536, 4096}).outcome, LookupOutcome::Notice) << "a reply without entries";
    EXPECT_EQ(scripted.LastLookupClusters(), (Clusters{128, 144, 160, 176}));

    // Paths open in any letter case, an alias shares the session, a volume added again serves later opens only.
    EXPECT_EQ(driver.OpenVolume(L"\\\\.\\D:").error, kErrorFileNotFound);
    ASSERT_TRUE(driver.AddAlias(L"\\\\?\\Volume{1}", kDriveC));
    const auto alias = driver.OpenVolume(L"\\\\?\\Volume{1}").volume;
    EXPECT_NE(driver.OpenVolume(L"\\\\.\\c:").volume, nullptr);
    EXPECT_EQ(session.OpenHandles(), 2);
    scripted.SetGeometry({512, 8, 30, 4096, 0, 0});
    driver.AddScriptedVolume(kDriveC, {512, 8, 999, 65536, 0, 0});
    EXPECT_EQ(std::pair(GeometryOf(*volume).blockCount, GeometryOf(*driver.OpenVolume(kDriveC).volume).blockCount), std::pair(30u, 999u));
}

// The file system's side of the lookup. Names of 0 to 9 units put every padding there is between entries; the last
// is read as its UTF-16 units. A reply that does not fit tells the size it needs, with no entry following, and
// writes nothing past its header. The program's requests, their count, flags and length changed, read back.
TEST(LookupWireTest, RepliesReadBackAndTellTheSizeTheyNeedRequestsMustHoldTheirClusters)
{
    std::vector<std::wstring> names;
    for (std::uint32_t length = 0; length < 10; ++length)
        names.emplace_back(length, static_cast<wchar_t>(L'a' + length));
    std::vector<ClusterOwner> owners;
    for (std::uint32_t length = 0; length < 10; ++length)
        owners.push_back({1000 + length, 0x01000000 | length, names[length]});
    owners.push_back({1ull << 40, OwnerFlags::kIndex, L"\\Dossiers\\Été\\\U0001F4C1:$I30:$INDEX_ALLOCATION"});
    std::vector<ClusterLookupEntry> expected;
    for (const ClusterOwner& owner : owners)
        expected.push_back({owner.cluster, owner.flags, std::wstring(owner.fileName)});
    expected.back().fileName = L"\\Dossiers\\Été\\\xD83D\xDCC1:$I30:$INDEX_ALLOCATION";
    constexpr std::uint32_t kRequired = 16 + 4 * 32 + 4 * 40 + 2 * 48 + 24 + 2 * 40;  // the last entry unpadded
    Bytes reply(kRequired + 1, kUntouched);
    EXPECT_EQ(WriteLookupReply(owners, reply).bytesReturned, kRequired);
    EXPECT_EQ(DecodeLookupReply(std::span(reply).first(kRequired)), expected);
    EXPECT_EQ(reply.back(), kUntouched);

    for (const std::size_t size : {std::size_t{kRequired - 1}, std::size_t{12}, std::size_t{11}}) {
        Bytes small(size, kUntouched);
        const std::size_t header = size < 12 ? 0 : 12;
        EXPECT_EQ(WriteLookupReply(owners, small).error, header ? kErrorMoreData : kErrorInsufficientBuffer) << size;
        EXPECT_TRUE(std::all_of(small.begin() + header, small.end(), [](auto b) { return b == kUntouched; })) << size;
        EXPECT_TRUE(!header || (ByteReader(small).U32At(0) == 0 && ByteReader(small).U32At(8) == kRequired)) << size;
    }

    const struct { const char* what; Clusters sent; std::uint32_t count; std::uint8_t flags; int extraBytes;
                   std::optional<Clusters> clusters; } cases[] = {
        {"several, in order, repeats kept", {900, 100, 100, ~0ULL}, 4, 0, 0, Clusters{900, 100, 100, ~0ULL}},
        {"bytes past the last cluster", {7}, 1, 0, 1, Clusters{7}},
        {"fewer clusters asked than sent", {1, 2}, 1, 0, 0, Clusters{1}},
        {"header cut short", {}, 1, 0, -1, std::nullopt},
        {"header alone, counting none", {}, 0, 0, 0, std::nullopt},
        {"no cluster, though some sent", {3}, 0, 0, 0, std::nullopt},
        {"count past the clusters sent", {1, 2}, 3, 0, 0, std::nullopt},
        {"last cluster one byte short", {5, 6}, 2, 0, -1, std::nullopt},
        {"count that would wrap a length", {1}, 0xFFFFFFFF, 0, 0, std::nullopt},
        {"flags", {42}, 1, 1, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        Bytes bytes = EncodeLookupRequest(c.sent);
        ByteWriter(bytes).U32At(4, c.count);
        bytes[0] = c.flags;
        bytes.resize(bytes.size() + c.extraBytes, 0x55);
        EXPECT_EQ(ClustersOfLookupRequest(bytes), c.clusters) << c.what;
    }
}

TEST(LiveVolumeDriverTest, EachRealVolumeGetsOneLiveSessionThatMovesWithTheClock)
{
    constexpr std::uint64_t kStart = 133'000'000'000'000'000ull, kVolumeBytes = 64ull << 30;
    ManualClock clock;
    std::vector<std::wstring> sized;
    LiveVolumeDriver driver([&](std::wstring_view path) -> std::optional<std::uint64_t> {
        sized.emplace_back(path);
        return path == kDriveC ? std::optional(kVolumeBytes) : path == L"\\\\.\\E:" ? std::optional<std::uint64_t>(0) : std::nullopt;
    }, clock, kStart, 2h);
    auto volume = driver.OpenVolume(kDriveC).volume;
    EXPECT_TRUE(driver.OpenVolume(L"\\\\.\\c:").volume && !driver.OpenVolume(L"\\\\.\\Q:").volume
        && !driver.OpenVolume(L"\\\\.\\E:").volume);
    EXPECT_EQ(sized, (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\Q:", L"\\\\.\\E:"})) << "c: finds C:'s session; E: is empty";
    const TrackingGeometry geometry = GeometryOf(*volume);
    EXPECT_EQ(geometry.blockCount, kVolumeBytes / 65536);

    // The same instant answers the same bitmap, 250 ms later it has moved; the counters describe it.
    const auto poll = [&] {
        std::array<std::uint8_t, kTrackingInfoLength> record{};
        Bytes bitmap(geometry.blockCount / 8);
        EXPECT_TRUE(volume->QueryStatistics(record).succeeded && volume->QuerySessionBitmap(bitmap).succeeded);
        const TrackingInfo info = DecodeTrackingInfo(record).value();
        EXPECT_TRUE(info.sessionStartFileTime == kStart && info.changedBlocks > 1000) << "a session with history";
        EXPECT_EQ(info.changedBlocks,
            std::accumulate(bitmap.begin(), bitmap.end(), 0ull, [](auto n, auto b) { return n + std::popcount(b); }));
        return bitmap;
    };
    const Bytes first = poll();
    EXPECT_EQ(poll(), first);
    clock.Advance(250ms);
    EXPECT_NE(poll(), first);
    const ClusterLookupResult cbt = LookUpCell(*volume, {CbtBlocks(geometry).first, 4, geometry.blockCount, 65536, 4096});
    EXPECT_TRUE(std::ranges::any_of(cbt.entries, [](auto& e) { return e.fileName == L"\\System Volume Information\\$CBT::$DATA"; }));
    EXPECT_EQ(FileTimeFromSystemTime(std::chrono::system_clock::time_point{} + 1s + 300ns), 116'444'736'010'000'003ULL);
}

} // namespace
} // namespace trackkit
