// Which files own a session's changed blocks, on a simulated 2 TiB volume
// (64 KiB blocks, 4 KiB clusters: 33,554,432 blocks of 16 clusters), against
// a plain pass over the same bitmap.
//
// - FindChangedFiles: the whole lookup through the simulated volume, whose
//   file system answers every request from its file layout.
// - ChangedFilesTally: the same, with the file system's work taken out: each
//   stream's reply entry is encoded once and copied into the replies, so the
//   time left is the lookup's own (requests, reply walk, tally).
// - ChangedFilesRequestSize: the clusters put in one request, at 500,000
//   changed blocks. The simulation cannot show what a request costs NTFS (a
//   walk of the whole file table each time), so the count of requests
//   matters more than this time.
// - ChangedFilesByExtents: every extent of every file against the bitmap,
//   for comparison only: on Windows it needs every file enumerated and its
//   extents asked for.
// - FindChangedFilesFromFileTable: what the program does past one request's
//   worth of clusters: the volume's file table (synthesized from the same
//   layout as NTFS records) read in one pass and laid over the bitmap.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "changes/changed_files.h"
#include "changes/changed_files_way.h"
#include "common/byte_reader.h"
#include "common/error_codes.h"
#include "sim/clock.h"
#include "sim/file_layout.h"
#include "sim/sim_random.h"
#include "sim/simulated_driver.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kVolumeBytes = std::uint64_t{2} << 40;
constexpr wchar_t kVolumePath[] = L"\\\\.\\T:";
constexpr std::uint64_t kBitmapSeed = 20261207;
constexpr std::uint64_t kScatteredPercent = 20;  // of the changed blocks; the rest lie in runs
constexpr std::uint64_t kLongestRun = 256;        // blocks: 16 MiB
constexpr std::uint64_t kRunsAnywhereOneIn = 4;   // the others start in the workload's regions
constexpr std::uint64_t kChecked = 50'000;

// The simulated driver's volume with its live session: its file layout puts
// the workload's files where the workload writes.
struct LayoutVolume {
    ManualClock clock;
    SimulatedDriver driver;
    LiveSource* source = nullptr;
    std::unique_ptr<TrackedVolume> volume;
    ChangedFilesGeometry geometry;

    LayoutVolume()
    {
        source = &driver.AddLiveVolume(kVolumePath, {.volumeBytes = kVolumeBytes}, clock);
        volume = driver.OpenVolume(kVolumePath).volume;
        const TrackingGeometry g = source->Geometry();
        geometry = {g.blockCount, g.bytesPerBlock, g.clusterFactor1 * g.clusterFactor2, kVolumeBytes};
        source->Files();  // built now, not in the first measured lookup
    }
};

LayoutVolume& Volume()
{
    static LayoutVolume volume;
    return volume;
}

// Changed blocks as a busy server leaves them: runs of 1 to 256 blocks, most
// in the database, log and backup regions, some anywhere (copies, restores),
// and single blocks scattered over the volume. Exactly `changed` blocks set.
std::vector<std::uint8_t> WorkloadBitmap(std::uint64_t changed)
{
    const WorkloadLayout& regions = Volume().source->Workload().Layout();
    const std::uint64_t blockCount = Volume().geometry.blockCount;
    std::vector<BlockRange> busy{regions.hot, regions.log};
    busy.insert(busy.end(), regions.copyTargets.begin(), regions.copyTargets.end());

    std::vector<std::uint8_t> bitmap((blockCount + 7) / 8);
    std::uint64_t set = 0;
    const auto mark = [&](std::uint64_t block) {
        const auto bit = static_cast<std::uint8_t>(1u << (block % 8));
        set += (bitmap[block / 8] & bit) == 0 ? 1 : 0;
        bitmap[block / 8] |= bit;
    };
    SimRandom random(kBitmapSeed);
    const std::uint64_t inRuns = changed - changed * kScatteredPercent / 100;
    while (set < inRuns) {
        const BlockRange area = random.OneIn(kRunsAnywhereOneIn) ? BlockRange{0, blockCount}
                                                                  : busy[random.Below(busy.size())];
        const std::uint64_t first = area.first + random.Below(area.count);
        const std::uint64_t end = std::min(first + 1 + random.Below(kLongestRun), area.End());
        for (std::uint64_t block = first; block < end && set < inRuns; ++block)
            mark(block);
    }
    while (set < changed)
        mark(random.Below(blockCount));
    return bitmap;
}

const std::vector<std::uint8_t>& BitmapWith(std::uint64_t changed)
{
    static std::map<std::uint64_t, std::vector<std::uint8_t>> bitmaps;
    auto at = bitmaps.find(changed);
    if (at == bitmaps.end())
        at = bitmaps.emplace(changed, WorkloadBitmap(changed)).first;
    return at->second;
}

// A file system that does no work: each stream's entry is encoded once, and
// a reply is those entries copied out with the asked cluster written in.
// Extents are found by merging them with the request's ascending clusters.
class PreEncodedVolume final : public TrackedVolume {
public:
    explicit PreEncodedVolume(const FileLayout& layout) : extents_(layout.Extents())
    {
        for (const LayoutStream& stream : layout.Streams()) {
            const std::vector<ClusterOwner> owner{{0, stream.flags, stream.name}};
            std::vector<std::uint8_t> reply(LookupReplyLength(owner));
            WriteLookupReply(owner, reply);
            Entry entry{{reply.begin() + kFirstEntry, reply.end()}, reply.size() - kFirstEntry};
            entry.bytes.resize((entry.length + 7) / 8 * 8);
            entries_.push_back(std::move(entry));
        }
    }

    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        ByteReader reader(request);
        ByteWriter writer(reply);
        const std::uint32_t count = reader.U32At(4);
        auto extent = std::upper_bound(extents_.begin(), extents_.end(), reader.U64At(kLookupRequestHeaderLength),
                                       [](std::uint64_t c, const LayoutExtent& e) { return c < e.first; });
        extent = extent == extents_.begin() ? extent : std::prev(extent);
        std::size_t at = kFirstEntry;
        std::size_t last = 0;
        std::size_t lastLength = 0;
        std::uint32_t matches = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t cluster = reader.U64At(kLookupRequestHeaderLength + 8 * std::size_t{i});
            while (extent != extents_.end() && extent->End() <= cluster)
                ++extent;
            if (extent == extents_.end() || cluster < extent->first)
                continue;
            const Entry& entry = entries_[extent->stream];
            if (reply.size() - at < entry.bytes.size())
                return DriverReply::Failure(kErrorMoreData);
            std::memcpy(reply.data() + at, entry.bytes.data(), entry.bytes.size());
            writer.U64At(at + kLookupEntryClusterOffset, cluster);
            if (matches++ > 0)
                writer.U32At(last, static_cast<std::uint32_t>(at - last));
            last = at;
            lastLength = entry.length;
            at += entry.bytes.size();
        }
        const auto length = static_cast<std::uint32_t>(matches == 0 ? kLookupReplyHeaderLength : last + lastLength);
        writer.U32At(0, matches == 0 ? 0 : kFirstEntry);
        writer.U32At(4, matches);
        writer.U32At(8, length);
        return DriverReply::Success(length);
    }
    DriverReply QueryGeometry(std::span<std::uint8_t>) override { return {}; }
    DriverReply QueryStatistics(std::span<std::uint8_t>) override { return {}; }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t>) override { return {}; }
    DriverReply RequestRemoval() override { return {}; }

private:
    static constexpr std::uint32_t kFirstEntry = 16;
    struct Entry {
        std::vector<std::uint8_t> bytes;  // padded to the entries' 8-byte alignment
        std::size_t length = 0;           // up to the name's NUL
    };
    std::span<const LayoutExtent> extents_;
    std::vector<Entry> entries_;
};

// Counts what the file system is asked, answered or not.
class CountingVolume final : public TrackedVolume {
public:
    explicit CountingVolume(TrackedVolume& inner) : inner_(inner) {}
    std::uint64_t asks = 0;

    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        ++asks;
        return inner_.LookupStreamsFromClusters(request, reply);
    }
    DriverReply QueryGeometry(std::span<std::uint8_t> out) override { return inner_.QueryGeometry(out); }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override { return inner_.QueryStatistics(out); }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) override { return inner_.QuerySessionBitmap(out); }
    DriverReply RequestRemoval() override { return inner_.RequestRemoval(); }

private:
    TrackedVolume& inner_;
};

// Per stream, what the extents approach finds: bytes and blocks, ascending.
struct ExtentTally {
    std::uint64_t changedBytes = 0;
    std::vector<std::uint32_t> blocks;
};

std::vector<ExtentTally> TallyByExtents(const FileLayout& layout, const ChangedFilesGeometry& geometry,
                                        std::span<const std::uint8_t> bitmap)
{
    std::vector<ExtentTally> tally(layout.Streams().size());
    const std::uint64_t perBlock = geometry.bytesPerBlock;
    for (const LayoutExtent& extent : layout.Extents()) {
        const std::uint64_t start = extent.first * geometry.bytesPerCluster;
        const std::uint64_t end = extent.End() * geometry.bytesPerCluster;
        ExtentTally& stream = tally[extent.stream];
        for (std::uint64_t block = start / perBlock; block * perBlock < end && block < geometry.blockCount; ++block) {
            if ((bitmap[block / 8] >> (block % 8) & 1) == 0)
                continue;
            stream.changedBytes += std::min(end, (block + 1) * perBlock) - std::max(start, block * perBlock);
            if (stream.blocks.empty() || stream.blocks.back() != block)
                stream.blocks.push_back(static_cast<std::uint32_t>(block));
        }
    }
    return tally;
}

std::uint64_t FileBytesByExtents(const FileLayout& layout, const std::vector<ExtentTally>& tally)
{
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < tally.size(); ++i)
        if ((layout.Streams()[i].flags & (kLookupFlagFsSystemFile | kLookupFlagTxfSystemFile)) == 0)
            bytes += tally[i].changedBytes;
    return bytes;
}

std::uint64_t FileBytesOf(const ChangedFilesReport& report)
{
    std::uint64_t bytes = 0;
    for (const ChangedFile& file : report.files)
        bytes += file.changedBytes;
    return bytes;
}

// Whether the stand-in file system and the extents walk find what the
// simulated one does, on the smallest bitmap.
bool ComparisonsAgree()
{
    static const bool agree = [] {
        LayoutVolume& sim = Volume();
        const std::vector<std::uint8_t>& bitmap = BitmapWith(kChecked);
        const ChangedFilesReport expected = FindChangedFiles(*sim.volume, sim.geometry, bitmap, {});
        PreEncodedVolume preEncoded(sim.source->Files());
        const ChangedFilesReport replayed = FindChangedFiles(preEncoded, sim.geometry, bitmap, {});
        const std::uint64_t byExtents = FileBytesByExtents(sim.source->Files(), TallyByExtents(sim.source->Files(), sim.geometry, bitmap));
        return expected.end == ChangedFilesEnd::Complete && replayed.files.size() == expected.files.size() &&
               replayed.fileBytes == expected.fileBytes && FileBytesOf(replayed) == FileBytesOf(expected) &&
               byExtents == FileBytesOf(expected);
    }();
    return agree;
}

void Lookup(benchmark::State& state, TrackedVolume& volume, std::uint64_t changed, std::size_t clustersPerRequest)
{
    const LayoutVolume& sim = Volume();
    const std::vector<std::uint8_t>& bitmap = BitmapWith(changed);
    CountingVolume counting(volume);
    ChangedFilesLimits limits;
    limits.clustersPerRequest = clustersPerRequest;
    ChangedFilesReport report;
    for (auto _ : state) {
        report = FindChangedFiles(counting, sim.geometry, bitmap, {}, limits);
        benchmark::DoNotOptimize(report.fileBytes);
    }
    if (report.end != ChangedFilesEnd::Complete || report.blocksDone != changed)
        state.SkipWithError("the lookup did not answer for every changed block");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(changed));
    state.counters["requests"] = static_cast<double>(report.requests);
    state.counters["asks"] = static_cast<double>(counting.asks) / static_cast<double>(state.iterations());
    state.counters["files"] = static_cast<double>(report.files.size());
}

void BM_FindChangedFiles(benchmark::State& state)
{
    Lookup(state, *Volume().volume, static_cast<std::uint64_t>(state.range(0)), kClustersPerRequest);
}

void BM_ChangedFilesTally(benchmark::State& state)
{
    if (!ComparisonsAgree()) {
        state.SkipWithError("the pre-encoded replies do not match the simulated volume's");
        return;
    }
    PreEncodedVolume volume(Volume().source->Files());
    Lookup(state, volume, static_cast<std::uint64_t>(state.range(0)), kClustersPerRequest);
}

void BM_FindChangedFilesFromFileTable(benchmark::State& state)
{
    LayoutVolume& sim = Volume();
    const auto changed = static_cast<std::uint64_t>(state.range(0));
    const std::vector<std::uint8_t>& bitmap = BitmapWith(changed);
    ChangedFilesReport report;
    for (auto _ : state) {
        report = FindChangedFilesEitherWay(*sim.volume, sim.geometry, bitmap, {}, {});
        benchmark::DoNotOptimize(report.fileBytes);
    }
    if (report.way != ChangedFilesWay::FileTable || report.end != ChangedFilesEnd::Complete || report.blocksDone != changed)
        state.SkipWithError("the file table was not read, or did not answer for every changed block");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(changed));
    state.counters["records"] = static_cast<double>(report.recordsRead);
    state.counters["files"] = static_cast<double>(report.files.size());
}

// At 500,000 changed blocks, by clusters per request.
void BM_ChangedFilesRequestSize(benchmark::State& state)
{
    Lookup(state, *Volume().volume, 500'000, static_cast<std::size_t>(state.range(0)));
}

void BM_ChangedFilesByExtents(benchmark::State& state)
{
    if (!ComparisonsAgree()) {
        state.SkipWithError("the extents walk does not match the lookup");
        return;
    }
    const LayoutVolume& sim = Volume();
    const std::vector<std::uint8_t>& bitmap = BitmapWith(static_cast<std::uint64_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TallyByExtents(sim.source->Files(), sim.geometry, bitmap).data());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["extents"] = static_cast<double>(sim.source->Files().Extents().size());
}

// The baseline: one plain pass over the same bitmap.
void BM_ChangedBitmapPass(benchmark::State& state)
{
    const std::vector<std::uint8_t>& bitmap = BitmapWith(static_cast<std::uint64_t>(state.range(0)));
    const std::uint32_t blockCount = Volume().geometry.blockCount;
    for (auto _ : state)
        benchmark::DoNotOptimize(CountChangedBlocks(bitmap, blockCount));
    if (CountChangedBlocks(bitmap, blockCount) != static_cast<std::uint64_t>(state.range(0)))
        state.SkipWithError("the bitmap does not hold the asked number of changed blocks");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ChangedBlockCounts(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Arg(50'000)->Arg(500'000)->Arg(5'000'000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ChangedBitmapPass)->Apply(ChangedBlockCounts);
BENCHMARK(BM_FindChangedFiles)->Apply(ChangedBlockCounts);
BENCHMARK(BM_FindChangedFilesFromFileTable)->Apply(ChangedBlockCounts);
BENCHMARK(BM_ChangedFilesTally)->Apply(ChangedBlockCounts);
BENCHMARK(BM_ChangedFilesByExtents)->Apply(ChangedBlockCounts);
BENCHMARK(BM_ChangedFilesRequestSize)->Arg(1024)->Arg(4096)->Arg(16384)->Arg(65536)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace trackkit
