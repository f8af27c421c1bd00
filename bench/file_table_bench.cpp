// How fast a volume's whole file table is read and decoded: the pass over an
// NTFS image of 200,000 files, against a plain read of the same table's
// bytes in the same pieces. The image is made by `make bench-image`
// (bench/make_ntfs_bench_image.sh); without it both benchmarks skip.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include "filetable/file_table.h"
#include "filetable/memory_volume_bytes.h"

namespace trackkit {
namespace {

constexpr const char* kImagePath = TRACKKIT_NTFS_BENCH_IMAGE;
constexpr std::uint64_t kPieceBytes = 4 * 1024 * 1024;

// The image mapped into memory once, for the whole run.
std::span<const std::uint8_t> MappedImage()
{
    static const std::span<const std::uint8_t> image = [] {
        const int file = open(kImagePath, O_RDONLY);
        if (file < 0)
            return std::span<const std::uint8_t>();
        struct stat status {};
        fstat(file, &status);
        void* mapped = mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, file, 0);
        close(file);
        if (mapped == MAP_FAILED)
            return std::span<const std::uint8_t>();
        return std::span(static_cast<const std::uint8_t*>(mapped), static_cast<std::size_t>(status.st_size));
    }();
    return image;
}

bool SkipWithoutImage(benchmark::State& state)
{
    if (!MappedImage().empty())
        return false;
    state.SkipWithError("no benchmark image: run `make bench-image` (bench/make_ntfs_bench_image.sh) first");
    return true;
}

void BM_ReadFileTable(benchmark::State& state)
{
    if (SkipWithoutImage(state))
        return;
    MemoryVolumeBytes volume(MappedImage());
    std::uint64_t records = 0;
    for (auto _ : state) {
        auto result = std::make_unique<FileTableResult>(ReadFileTable(volume));
        records = result->table.records;
        benchmark::DoNotOptimize(result->table.streams.data());
        state.PauseTiming();  // what the caller does with the table, freeing it too, is not the pass
        result.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records));
    state.counters["records"] = static_cast<double>(records);
}

// The table's own runs, as the pass finds them.
std::vector<ClusterRun> FileTableRuns(std::uint32_t& clusterBytes)
{
    MemoryVolumeBytes volume(MappedImage());
    const FileTableResult result = ReadFileTable(volume);
    clusterBytes = result.table.geometry.bytesPerCluster;
    for (const FileTableStream& stream : result.table.streams) {
        if (stream.record == 0 && stream.attributeType == 0x80 && stream.attributeName.empty())
            return {result.table.runs.begin() + static_cast<std::ptrdiff_t>(stream.firstRun),
                    result.table.runs.begin() + static_cast<std::ptrdiff_t>(stream.firstRun + stream.runCount)};
    }
    return {};
}

void BM_ReadFileTableBytesBaseline(benchmark::State& state)
{
    if (SkipWithoutImage(state))
        return;
    MemoryVolumeBytes volume(MappedImage());
    std::uint32_t clusterBytes = 0;
    const std::vector<ClusterRun> runs = FileTableRuns(clusterBytes);
    std::vector<std::uint8_t> buffer(kPieceBytes);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const ClusterRun& run : runs) {
            const std::uint64_t end = (run.firstCluster + run.clusterCount) * clusterBytes;
            for (std::uint64_t offset = run.firstCluster * clusterBytes; offset < end; offset += kPieceBytes) {
                const std::size_t piece = static_cast<std::size_t>(std::min(kPieceBytes, end - offset));
                volume.ReadAt(offset, std::span(buffer).first(piece));
                benchmark::DoNotOptimize(buffer.data());
                bytes += piece;
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

} // namespace

BENCHMARK(BM_ReadFileTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFileTableBytesBaseline)->Unit(benchmark::kMillisecond);

} // namespace trackkit
