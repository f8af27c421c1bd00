#include "blockmap/painter.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "reference_block_map.h"

namespace trackkit {
namespace {

constexpr ColorRef kFace = MakeColorRef(240, 240, 240);
constexpr ColorRef kBlock = MakeColorRef(0, 120, 215);
constexpr ColorRef kBackground = MakeColorRef(255, 255, 255);
constexpr Pixel kSentinel = 0xDEADBEEF;
constexpr std::uint32_t kAsN = 0xFFFFFFFF;
constexpr std::uint64_t kFar = std::uint64_t{1} << 40;

enum class Mode { Background, OnePerCell, Zoomed, Packed };

// One paint to compare with the reference. By default a 500 x 300 client at
// 96 DPI with block size 4, whose ratio counts 97 x 57 = 5529 cells, into the
// pane's own buffer of client width by client height + 1.
struct Scene {
    std::string name{};
    std::uint32_t blocks = 0;
    Mode mode = Mode::OnePerCell;
    int width = 500, height = 300;
    std::uint32_t blockSize = 4;
    int dpiX = 96, dpiY = 96;
    std::uint64_t cbtFirst = 1, cbtLast = 0;  // first > last: no $CBT cells
    std::uint32_t bitCount = kAsN;
    std::optional<std::size_t> bitmapBytes = std::nullopt;  // default: just enough for the bit count
    double density = 0.4;
    int bufferWidth = 0, bufferHeight = 0, padding = 0;  // 0: the pane's own
};

std::uint32_t BitCountOf(const Scene& scene)
{
    return scene.bitCount == kAsN ? scene.blocks : scene.bitCount;
}

// Exactly the bytes asked for, so that a read past them trips the sanitizer.
std::vector<std::uint8_t> RandomBitmap(std::size_t bytes, double density, std::mt19937& random)
{
    std::bernoulli_distribution bit(density);
    std::vector<std::uint8_t> bitmap(bytes);
    for (std::uint8_t& byte : bitmap)
        for (int i = 0; i < 8; ++i)
            byte = static_cast<std::uint8_t>(byte | (bit(random) ? 1 << i : 0));
    return bitmap;
}

// Each cell of b blocks holds exactly the fewest or the most set blocks that
// a random level allows, at its start, at its end or anywhere, so that a
// count one off changes a colour.
std::vector<std::uint8_t> LevelEdgeBitmap(std::size_t bytes, std::uint64_t blocks, std::uint64_t b, std::mt19937& random)
{
    std::vector<std::uint8_t> bitmap(bytes);
    std::vector<std::uint64_t> order(b);
    for (std::uint64_t first = 0; first < blocks; first += b) {
        const auto size = static_cast<std::ptrdiff_t>(std::min(b, blocks - first));
        const int level = std::uniform_int_distribution(0, 4)(random);
        auto levelOf = [&](std::uint64_t set) { return CellLevel(static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(set)); };
        std::uint64_t fewest = 0;
        while (levelOf(fewest) < level)
            ++fewest;
        std::uint64_t most = fewest;
        while (most < b && levelOf(most + 1) == level)
            ++most;
        const std::uint64_t count = random() % 2 == 0 ? fewest : most;
        std::iota(order.begin(), order.begin() + size, first);
        if (random() % 3 == 1)
            std::reverse(order.begin(), order.begin() + size);
        else if (random() % 2 == 1)
            std::shuffle(order.begin(), order.begin() + size, random);
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, static_cast<std::uint64_t>(size)); ++i)
            if (order[i] / 8 < bitmap.size())
                bitmap[order[i] / 8] = static_cast<std::uint8_t>(bitmap[order[i] / 8] | 1 << (order[i] % 8));
    }
    return bitmap;
}

struct Painted {
    BlockMapLayout layout;
    PixelBuffer buffer;
    std::vector<Pixel> pixels;

    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(buffer.stride) + static_cast<std::size_t>(x)]; }
};

BlockMapPicture PictureOf(const Scene& scene, std::span<const std::uint8_t> bitmap)
{
    return {scene.width, scene.height, scene.blockSize, scene.dpiX, scene.dpiY, scene.blocks, bitmap, BitCountOf(scene),
            scene.cbtFirst, scene.cbtLast, kFace, kBlock, kBackground};
}

Painted Paint(const Scene& scene, std::span<const std::uint8_t> bitmap)
{
    Painted painted;
    painted.buffer.width = scene.bufferWidth != 0 ? scene.bufferWidth : scene.width;
    painted.buffer.height = scene.bufferHeight != 0 ? scene.bufferHeight : scene.height + 1;
    painted.buffer.stride = painted.buffer.width + scene.padding;
    painted.pixels.assign(static_cast<std::size_t>(std::max(0, painted.buffer.stride * painted.buffer.height)), kSentinel);
    painted.buffer.pixels = painted.pixels.data();
    painted.layout = PaintBlockMap(PictureOf(scene, bitmap), painted.buffer);
    return painted;
}

// Every pixel against the reference; padding past each row stays untouched.
void ExpectMatchesReference(const Scene& scene, std::span<const std::uint8_t> bitmap, const Painted& painted)
{
    const reference::Picture picture{{scene.width, scene.height, scene.blockSize, scene.dpiX, scene.dpiY, scene.blocks,
                                      bitmap.empty() ? 0 : BitCountOf(scene)},
                                     bitmap, scene.cbtFirst, scene.cbtLast, kFace, kBlock, kBackground};
    const reference::Layout layout = reference::ComputeLayout(picture.request);
    std::unordered_map<std::uint64_t, std::optional<Pixel>> cells;
    int mismatches = 0;
    for (int y = 0; y < painted.buffer.height; ++y) {
        for (int x = 0; x < painted.buffer.stride; ++x) {
            Pixel want = x < painted.buffer.width ? PixelFromColorRef(kBackground) : kSentinel;
            if (const auto cell = x < painted.buffer.width ? reference::CellAt(layout, x, y) : std::nullopt) {
                auto [entry, added] = cells.try_emplace(*cell);
                if (added)
                    entry->second = reference::CellPixel(picture, layout, *cell);
                want = entry->second.value_or(want);
            }
            if (painted.At(x, y) != want && ++mismatches <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << painted.At(x, y) << ", want " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

void ExpectMode(const Scene& scene, const BlockMapLayout& layout)
{
    const int unzoomed = CellPitch(scene.blockSize, scene.dpiX);
    EXPECT_EQ(layout.drawsCells, scene.mode != Mode::Background);
    if (scene.mode == Mode::OnePerCell || scene.mode == Mode::Zoomed) {
        EXPECT_EQ(layout.blocksPerCell, 1u);
        EXPECT_EQ(layout.pitchX > unzoomed, scene.mode == Mode::Zoomed);
    }
    if (scene.mode == Mode::Packed) {
        EXPECT_GT(layout.blocksPerCell, 1u);
    }
}

// Packed scenes run twice: with random bits and with bits at level edges.
void ExpectScenesMatchReference(const std::vector<Scene>& scenes)
{
    std::mt19937 random(20240613);
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        const std::size_t bytes = scene.bitmapBytes.value_or((std::size_t{BitCountOf(scene)} + 7) / 8);
        const std::vector<std::uint8_t> bitmap = RandomBitmap(bytes, scene.density, random);
        const Painted painted = Paint(scene, bitmap);
        ExpectMode(scene, painted.layout);
        ExpectMatchesReference(scene, bitmap, painted);
        if (scene.mode == Mode::Packed) {
            SCOPED_TRACE("at level edges");
            const std::uint64_t bits = std::min(scene.blocks, BitCountOf(scene));
            const std::vector<std::uint8_t> edges = LevelEdgeBitmap(bytes, bits, painted.layout.blocksPerCell, random);
            ExpectMatchesReference(scene, edges, Paint(scene, edges));
        }
    }
}

TEST(PaintBlockMap, MatchesReferenceInEveryMode)
{
    std::vector<Scene> scenes = {
        {.name = "one per cell", .blocks = 5529},
        {.name = "ragged last row", .blocks = 5000},
        {.name = "zoomed once", .blocks = 2000, .mode = Mode::Zoomed},
        {.name = "zoomed twice", .blocks = 1000, .mode = Mode::Zoomed},
        {.name = "zoom step taken back", .blocks = 2764},
        {.name = "one block", .blocks = 1, .mode = Mode::Zoomed},
        {.name = "no blocks counts as one", .blocks = 0, .mode = Mode::Zoomed, .bitCount = 8},
        {.name = "packed", .blocks = 20000, .mode = Mode::Packed},
        {.name = "last cell holds one block", .blocks = 20001, .mode = Mode::Packed},
        {.name = "empty", .blocks = 31000, .mode = Mode::Packed, .density = 0},
        {.name = "full", .blocks = 31000, .mode = Mode::Packed, .density = 1},
        // 397 x 10 cells, whose rows need several runs of counted words.
        {.name = "long rows", .blocks = 1000 * 3970 - 7, .mode = Mode::Packed, .width = 1200, .height = 40, .blockSize = 2},
        // 17 x 12 cells: the largest cells counted in runs, and larger ones.
        {.name = "large cells", .blocks = 16384 * 204, .mode = Mode::Packed, .width = 60, .height = 45, .blockSize = 2},
        {.name = "larger cells", .blocks = 16385 * 204 - 5, .mode = Mode::Packed, .width = 60, .height = 45, .blockSize = 2},
    };
    // Cells across byte and word boundaries in every way.
    for (std::uint32_t b : {2u, 3u, 5u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 100u, 129u, 200u})
        scenes.push_back({.name = "b=" + std::to_string(b), .blocks = b * 5529 - b / 2, .mode = Mode::Packed});
    for (const std::uint32_t size : {2u, 4u, 8u, 12u}) {
        for (const auto& [dpiX, dpiY] : {std::pair{96, 96}, std::pair{144, 144}, std::pair{144, 96}, std::pair{120, 192}}) {
            const std::string name = "size " + std::to_string(size) + " at " + std::to_string(dpiX) + "/" + std::to_string(dpiY);
            const BlockMapLayout grid = ComputeLayout({331, 217, size, dpiX, dpiY, kAsN, kAsN});
            const auto cells = static_cast<std::uint32_t>(grid.lastColumn * grid.lastRow);
            for (const auto& [blocks, mode] : {std::pair{10u, Mode::Zoomed}, std::pair{cells - 1, Mode::OnePerCell}, std::pair{60000u, Mode::Packed}})
                scenes.push_back({.name = name, .blocks = blocks, .mode = mode, .width = 331, .height = 217, .blockSize = size, .dpiX = dpiX, .dpiY = dpiY});
        }
    }
    ExpectScenesMatchReference(scenes);
}

// Tiny areas; bitmaps that disagree with N, where blocks without bits count as
// unchanged and bits past N, the bit count or the buffer never count; buffers
// of other sizes than the client, clipped or background past the client.
TEST(PaintBlockMap, MatchesReferenceAtTheEdges)
{
    ExpectScenesMatchReference({
        {.name = "empty client", .blocks = 10, .mode = Mode::Background, .width = 0, .height = 0},
        {.name = "one pixel", .blocks = 10, .mode = Mode::Background, .width = 1, .height = 1},
        {.name = "area one pitch wide", .blocks = 10, .mode = Mode::Background, .width = 15, .height = 40},
        {.name = "area one pitch high", .blocks = 10, .mode = Mode::Background, .width = 40, .height = 15},
        {.name = "lc 0", .blocks = 10, .mode = Mode::Background, .width = 18, .height = 40},
        {.name = "lr 0", .blocks = 10, .mode = Mode::Background, .width = 40, .height = 18},
        {.name = "2 x 2 grid", .blocks = 1, .width = 19, .height = 19},
        {.name = "2 x 2 grid, packed", .blocks = 7, .mode = Mode::Packed, .width = 19, .height = 19},
        {.name = "3 x 3 grid", .blocks = 3, .width = 25, .height = 25},
        {.name = "flat strip", .blocks = 5000, .mode = Mode::Packed, .width = 2000, .height = 20},
        {.name = "tall strip", .blocks = 300, .width = 20, .height = 2000},
        {.name = "no bits", .blocks = 5529, .mode = Mode::Background, .bitCount = 0, .bitmapBytes = 100},
        {.name = "no buffer", .blocks = 5529, .mode = Mode::Background, .bitmapBytes = 0},
        {.name = "bit count below N", .blocks = 5529, .bitCount = 3001},
        {.name = "bit count below N, packed", .blocks = 20000, .mode = Mode::Packed, .bitCount = 10003},
        {.name = "set bits past N", .blocks = 5000, .bitCount = 5529, .density = 1},
        {.name = "set bits past N, packed", .blocks = 20001, .mode = Mode::Packed, .bitCount = 20032, .density = 1},
        {.name = "buffer shorter than the bits", .blocks = 20000, .mode = Mode::Packed, .bitmapBytes = 1001},
        {.name = "buffer of one byte", .blocks = 5000, .bitmapBytes = 1},
        {.name = "smaller buffer", .blocks = 5000, .bufferWidth = 100, .bufferHeight = 50},
        {.name = "smaller buffer, packed", .blocks = 20000, .mode = Mode::Packed, .bufferWidth = 123, .bufferHeight = 400},
        {.name = "buffer cuts a cell", .blocks = 20000, .mode = Mode::Packed, .cbtFirst = 0, .cbtLast = 0, .bufferWidth = 7, .bufferHeight = 8},
        {.name = "one-pixel buffer", .blocks = 5000, .bufferWidth = 1, .bufferHeight = 1},
        {.name = "padded rows", .blocks = 20000, .mode = Mode::Packed, .padding = 17},
        {.name = "larger buffer", .blocks = 5000, .cbtFirst = 4000, .cbtLast = kFar, .bufferWidth = 700, .bufferHeight = 500, .padding = 3},
    });
}

TEST(PaintBlockMap, MatchesReferenceForCbtCells)
{
    ExpectScenesMatchReference({
        {.name = "zero LCNs", .blocks = 5000, .cbtFirst = 0, .cbtLast = 0},
        {.name = "zero LCNs, packed", .blocks = 20000, .mode = Mode::Packed, .cbtFirst = 0, .cbtLast = 0},
        {.name = "zero LCNs, zoomed", .blocks = 1000, .mode = Mode::Zoomed, .cbtFirst = 0, .cbtLast = 0},
        {.name = "a range", .blocks = 5000, .cbtFirst = 100, .cbtLast = 350},
        {.name = "a range, packed", .blocks = 20000, .mode = Mode::Packed, .cbtFirst = 101, .cbtLast = 350},
        {.name = "the last block", .blocks = 20001, .mode = Mode::Packed, .cbtFirst = 20000, .cbtLast = 20000},
        {.name = "across the end", .blocks = 5000, .cbtFirst = 4990, .cbtLast = kFar},
        {.name = "across the end, packed", .blocks = 20001, .mode = Mode::Packed, .cbtFirst = 19990, .cbtLast = kFar},
        {.name = "beyond the volume", .blocks = 5000, .cbtFirst = 5000, .cbtLast = 6000},
        {.name = "far beyond, packed", .blocks = 20000, .mode = Mode::Packed, .cbtFirst = kFar, .cbtLast = kFar + 5},
        {.name = "first after last", .blocks = 5000, .cbtFirst = 300, .cbtLast = 200},
        {.name = "everything", .blocks = 20000, .mode = Mode::Packed, .cbtFirst = 0, .cbtLast = ~std::uint64_t{0}},
    });
}

TEST(PaintBlockMap, UnusableBuffersAreNotWritten)
{
    const std::vector<std::uint8_t> bitmap(625, 0xFF);
    const BlockMapPicture picture = PictureOf({.blocks = 5000}, bitmap);
    std::vector<Pixel> pixels(64, kSentinel);
    for (const PixelBuffer& buffer : {PixelBuffer{nullptr, 500, 301, 500}, PixelBuffer{pixels.data(), 0, 8, 8},
                                      PixelBuffer{pixels.data(), 8, 0, 8}, PixelBuffer{pixels.data(), 8, 8, 7},
                                      PixelBuffer{pixels.data(), -8, 8, 8}})
        EXPECT_EQ(PaintBlockMap(picture, buffer).blocksPerCell, 1u);  // the layout still serves the hit test
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kSentinel), 64);
}

// A few pixels worked out by hand, on the default 500 x 300 client.
constexpr Pixel kWhite = 0x00FFFFFF;
constexpr Pixel kLevel0 = 0x00F0F0F0;
constexpr Pixel kLevel1 = 0x00B4D2EA;  // (block + 3 * face + 2) / 4 per channel
constexpr Pixel kLevel3 = 0x003C96DD;  // (3 * block + face + 2) / 4
constexpr Pixel kLevel4 = 0x000078D7;

// The square [left, left + size)^2 has the colour; the pixels right of and
// below it are background.
void ExpectCell(const Painted& painted, int left, int top, int size, Pixel colour)
{
    for (int y = top; y < top + size; ++y)
        for (int x = left; x < left + size; ++x)
            ASSERT_EQ(painted.At(x, y), colour) << x << ", " << y;
    EXPECT_EQ(painted.At(left + size, top), kWhite);
    EXPECT_EQ(painted.At(left, top + size), kWhite);
}

TEST(PaintedPixels, PackedCellsCountTheirOwnBits)
{
    // b = 3, blocks 0 and 2 set: count 2, level (2 + 8) / 3 = 3.
    std::vector<std::uint8_t> bitmap((3 * 5529 + 7) / 8);
    bitmap[0] = 0b101;
    const Painted three = Paint({.blocks = 3 * 5529}, bitmap);
    ASSERT_EQ(three.layout.blocksPerCell, 3u);
    ExpectCell(three, 5, 5, 4, kLevel3);
    ExpectCell(three, 10, 5, 4, kLevel0);

    // b = 6: cell 1 holds blocks 6 to 11, across bytes 0 and 1. Blocks 6 to 9
    // set: 4 of 6, level 3. Blocks 5 and 12 belong to cells 0 and 2.
    bitmap.assign((6 * 5529 + 7) / 8, 0);
    bitmap[0] = 0b1110'0000;
    bitmap[1] = 0b0001'0011;
    const Painted six = Paint({.blocks = 6 * 5529}, bitmap);
    ASSERT_EQ(six.layout.blocksPerCell, 6u);
    ExpectCell(six, 5, 5, 4, kLevel1);
    ExpectCell(six, 10, 5, 4, kLevel3);
    ExpectCell(six, 15, 5, 4, kLevel1);
    ExpectCell(six, 20, 5, 4, kLevel0);
}

TEST(PaintedPixels, CellSizesFollowTheBlockSize)
{
    // Block size 2: 2 x 2 cells at pitch 3, 165 columns; block k set when k % 8 == 0.
    const BlockMapLayout small = ComputeLayout({500, 300, 2, 96, 96, kAsN, kAsN});
    const auto smallBlocks = static_cast<std::uint32_t>(small.lastColumn * small.lastRow);
    const Painted two = Paint({.blocks = smallBlocks, .blockSize = 2}, std::vector<std::uint8_t>((smallBlocks + 7) / 8, 0b01));
    ASSERT_EQ(two.layout.pitchX, 3);
    ASSERT_EQ(two.layout.Columns(), 165);
    EXPECT_EQ(two.At(2, 3), kWhite);
    ExpectCell(two, 3, 3, 2, kLevel4);
    ExpectCell(two, 6, 3, 2, kLevel0);
    ExpectCell(two, 3, 6, 2, kLevel0);   // block 165
    ExpectCell(two, 12, 6, 2, kLevel4);  // block 168

    // Block size 12: 12 x 12 cells at pitch 13; block 1 of every 8 set.
    const BlockMapLayout large = ComputeLayout({500, 300, 12, 96, 96, kAsN, kAsN});
    const auto largeBlocks = static_cast<std::uint32_t>(large.lastColumn * large.lastRow);
    const Painted twelve = Paint({.blocks = largeBlocks, .blockSize = 12}, std::vector<std::uint8_t>((largeBlocks + 7) / 8, 0b10));
    ASSERT_EQ(twelve.layout.pitchX, 13);
    ExpectCell(twelve, 13, 13, 12, kLevel0);
    ExpectCell(twelve, 26, 13, 12, kLevel4);
}

TEST(PaintedPixels, CbtCellsAndTheEndOfTheVolume)
{
    // Zero LCNs put the $CBT blocks at 0: cell 0 takes the $CBT colour.
    const Painted cbt = Paint({.blocks = 5529, .cbtFirst = 0, .cbtLast = 0}, std::vector<std::uint8_t>(692, 0xFF));
    ExpectCell(cbt, 5, 5, 4, 0x00C80014);
    ExpectCell(cbt, 10, 5, 4, kLevel4);

    // 20001 blocks at b = 4: cell 5000 (row 51, column 2) holds block 20000
    // alone, set: 1 of 4, level 1. The rest of its row is background.
    std::vector<std::uint8_t> bitmap(2501);
    bitmap[2500] = 0x01;
    const Painted end = Paint({.blocks = 20001}, bitmap);
    ExpectCell(end, 5 + 5 * 2, 5 + 5 * 51, 4, kLevel1);
    for (int x = 5 + 5 * 3; x < 500; ++x)
        ASSERT_EQ(end.At(x, 5 + 5 * 51), kWhite) << x;
}

} // namespace
} // namespace trackkit
