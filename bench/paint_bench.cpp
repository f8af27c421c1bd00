// Painting a full-screen block map, against a plain copy of the same bytes.
//
// A 1920 x 1080 client at 96 DPI with the smallest block size (pitch 3) into
// the pane's buffer of 1920 x 1081 pixels. The packed paint reads the whole
// bitmap once and writes the whole buffer once, so a memcpy of that many bytes
// is the floor it is measured against.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "blockmap/painter.h"

namespace trackkit {
namespace {

constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1080;
constexpr int kBufferHeight = kClientHeight + 1;
constexpr std::uint32_t kBlockSize = 2;
constexpr std::uint32_t kPackedBlocks = 33'554'432;  // 4 MiB of bitmap

constexpr std::size_t BitmapBytes(std::uint32_t blocks) { return (std::size_t{blocks} + 7) / 8; }
constexpr std::size_t kPixelCount = std::size_t{kClientWidth} * kBufferHeight;

// About a third of the bits set: (a & b) | (c & d & e) sets a bit with
// probability 1/4 + 3/4 * 1/8.
std::vector<std::uint8_t> RandomBitmap(std::uint32_t blocks)
{
    std::mt19937_64 random(42);
    std::vector<std::uint8_t> bitmap(BitmapBytes(blocks));
    for (std::size_t i = 0; i < bitmap.size(); i += 8) {
        const std::uint64_t word = (random() & random()) | (random() & random() & random());
        std::memcpy(bitmap.data() + i, &word, std::min<std::size_t>(8, bitmap.size() - i));
    }
    return bitmap;
}

BlockMapPicture PictureOf(const std::vector<std::uint8_t>& bitmap, std::uint32_t blocks)
{
    BlockMapPicture picture;
    picture.clientWidth = kClientWidth;
    picture.clientHeight = kClientHeight;
    picture.blockSize = kBlockSize;
    picture.blockCount = blocks;
    picture.bitmap = bitmap;
    picture.bitmapBitCount = blocks;
    picture.cbtFirstBlock = blocks / 3;
    picture.cbtLastBlock = blocks / 3 + 100;
    picture.faceColor = MakeColorRef(240, 240, 240);
    picture.blockColor = MakeColorRef(0, 120, 215);
    picture.backgroundColor = MakeColorRef(255, 255, 255);
    return picture;
}

void PaintWith(benchmark::State& state, std::uint32_t blocks, std::uint32_t expectedBlocksPerCell)
{
    const std::vector<std::uint8_t> bitmap = RandomBitmap(blocks);
    const BlockMapPicture picture = PictureOf(bitmap, blocks);
    std::vector<Pixel> pixels(kPixelCount);
    const PixelBuffer buffer{pixels.data(), kClientWidth, kBufferHeight, kClientWidth};
    if (PaintBlockMap(picture, buffer).blocksPerCell != expectedBlocksPerCell) {
        state.SkipWithError("unexpected layout");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(PaintBlockMap(picture, buffer));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bitmap.size() + pixels.size() * sizeof(Pixel)));
}

void BM_PaintPacked(benchmark::State& state)
{
    PaintWith(state, kPackedBlocks, 148);
}

// As many blocks as the ratio's lc x lr, so each block gets one cell unzoomed.
void BM_PaintOnePerCell(benchmark::State& state)
{
    const BlockMapLayout grid = ComputeLayout({kClientWidth, kClientHeight, kBlockSize, 96, 96, kPackedBlocks, kPackedBlocks});
    PaintWith(state, static_cast<std::uint32_t>(grid.lastColumn * grid.lastRow), 1);
}

// The bytes a packed paint must touch, copied from separate sources into
// separate destinations.
void BM_CopyBaseline(benchmark::State& state)
{
    const std::vector<std::uint8_t> bitmap = RandomBitmap(kPackedBlocks);
    std::vector<std::uint8_t> bitmapCopy(bitmap.size());
    const std::vector<Pixel> pixelSource(kPixelCount, 0x00FFFFFF);
    std::vector<Pixel> pixels(kPixelCount);
    for (auto _ : state) {
        std::memcpy(bitmapCopy.data(), bitmap.data(), bitmap.size());
        std::memcpy(pixels.data(), pixelSource.data(), pixels.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(bitmapCopy.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bitmap.size() + pixels.size() * sizeof(Pixel)));
}

BENCHMARK(BM_PaintPacked)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintOnePerCell)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace trackkit

BENCHMARK_MAIN();
