// The painter against the slow reference in reference_block_map.h, pixel by
// pixel, over many sizes, modes, bitmaps and buffers; and its colours.
#include "blockmap/painter.h"
#include "blockmap/dib_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "reference_block_map.h"

namespace trackkit {
namespace {

constexpr ColorRef kFace = MakeColorRef(240, 240, 240), kBlock = MakeColorRef(0, 120, 215), kBackground = MakeColorRef(255, 255, 255);
constexpr Pixel kSentinel = 0xDEADBEEF;
constexpr std::uint32_t kAsN = 0xFFFFFFFF;
constexpr std::uint64_t kFar = std::uint64_t{1} << 40;

// One paint. By default a 500 x 300 client at 96 DPI with block size 4
// (pitch 5, 97 x 57 = 5529 cells), into the pane's own buffer of client width
// by client height + 1.
struct Scene {
    std::string name{};
    std::uint32_t blocks = 0;
    int width = 500, height = 300;
    std::uint32_t blockSize = 4;
    int dpiX = 96, dpiY = 96;
    std::uint64_t cbtFirst = 1, cbtLast = 0;   // first > last: no $CBT cells
    std::uint32_t bitCount = kAsN;             // kAsN: N
    std::optional<std::size_t> bitmapBytes{};  // default: just enough for the bit count
    double density = 0.4;
    int bufferWidth = 0, bufferHeight = 0, padding = 0;  // 0: the pane's own

    std::uint32_t Bits() const { return bitCount == kAsN ? blocks : bitCount; }
    LayoutRequest Request(bool hasBits = true) const { return {width, height, blockSize, dpiX, dpiY, blocks, hasBits ? Bits() : 0}; }
    BlockMapPicture Picture(std::span<const std::uint8_t> bitmap) const
    {
        return {width, height, blockSize, dpiX, dpiY, blocks, bitmap, Bits(), cbtFirst, cbtLast, kFace, kBlock, kBackground};
    }
};

// Exactly the bytes asked for, so that a read past them trips the sanitizer.
std::vector<std::uint8_t> RandomBitmap(std::size_t bytes, double density, std::mt19937& random)
{
    std::bernoulli_distribution bit(density);
    std::vector<std::uint8_t> bitmap(bytes);
    for (std::size_t i = 0; i < bytes * 8; ++i)
        bitmap[i / 8] = static_cast<std::uint8_t>(bitmap[i / 8] | (bit(random) ? 1 << i % 8 : 0));
    return bitmap;
}

// Each cell of b blocks holds the fewest set blocks of a random level, or one
// fewer, at its start, at its end or anywhere, so that a count one off
// changes a colour.
std::vector<std::uint8_t> LevelEdgeBitmap(std::size_t bytes, std::uint64_t blocks, std::uint64_t b, std::mt19937& random)
{
    std::vector<std::uint8_t> bitmap(bytes);
    std::vector<std::uint64_t> order(b);
    for (std::uint64_t first = 0; first < blocks; first += b) {
        const int level = std::uniform_int_distribution(1, 4)(random);
        std::uint64_t set = 0;
        while (CellLevel(static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(set)) < level)
            ++set;
        set -= random() % 2;
        const auto size = static_cast<std::ptrdiff_t>(std::min(b, blocks - first));
        std::iota(order.begin(), order.begin() + size, first);
        if (random() % 3 == 1)
            std::reverse(order.begin(), order.begin() + size);
        else if (random() % 2 == 1)
            std::shuffle(order.begin(), order.begin() + size, random);
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(set, static_cast<std::uint64_t>(size)); ++i)
            if (order[i] / 8 < bitmap.size())
                bitmap[order[i] / 8] = static_cast<std::uint8_t>(bitmap[order[i] / 8] | 1 << (order[i] % 8));
    }
    return bitmap;
}

// Every pixel against the reference; padding past each row stays untouched.
// The layout kept for the pane's hit test puts every cell pixel in its cell.
void ExpectMatchesReference(const Scene& scene, std::span<const std::uint8_t> bitmap)
{
    const int width = scene.bufferWidth != 0 ? scene.bufferWidth : scene.width;
    const int height = scene.bufferHeight != 0 ? scene.bufferHeight : scene.height + 1, stride = width + scene.padding;
    std::vector<Pixel> pixels(static_cast<std::size_t>(std::max(0, stride * height)), kSentinel);
    const BlockMapLayout painted = PaintBlockMap(scene.Picture(bitmap), {pixels.data(), width, height, stride});
    const reference::Picture picture{scene.Request(!bitmap.empty()), bitmap, scene.cbtFirst, scene.cbtLast, kFace, kBlock, kBackground};
    const reference::Layout layout = reference::ComputeLayout(picture.request);
    EXPECT_EQ(painted.drawsCells, layout.drawsCells);
    std::unordered_map<std::uint64_t, std::optional<Pixel>> cells;
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < stride; ++x) {
            Pixel want = x < width ? PixelFromColorRef(kBackground) : kSentinel;
            if (const auto cell = x < width ? reference::CellAt(layout, x, y) : std::nullopt) {
                auto [entry, added] = cells.try_emplace(*cell);
                if (added)
                    entry->second = reference::CellPixel(picture, layout, *cell);
                want = entry->second.value_or(want);
                if (CellAtPoint(painted, x, y) != cell && ++mismatches <= 3)
                    ADD_FAILURE() << "hit test at (" << x << ", " << y << ")";
            }
            const Pixel got = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)];
            if (got != want && ++mismatches <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << got << ", want " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// Every mode; tiny areas and strips; bitmaps that disagree with N, where
// blocks without bits count as unchanged and bits past N, the bit count or the
// buffer never count; buffers of other sizes than the client, clipped or
// background past the client; $CBT ranges anywhere, also past the volume.
// Each scene with random bits and, when packed, with bits at level edges.
TEST(PaintBlockMap, MatchesTheReferenceInEveryModeAndAtTheEdges)
{
    std::vector<Scene> scenes = {
        {.name = "one per cell", .blocks = 5529}, {.name = "ragged last row", .blocks = 5000}, {.name = "zoomed once", .blocks = 2000},
        {.name = "zoomed twice", .blocks = 1000}, {.name = "zoom step taken back", .blocks = 2764}, {.name = "one block", .blocks = 1},
        {.name = "no blocks counts as one", .blocks = 0, .bitCount = 8}, {.name = "packed", .blocks = 20000},
        {.name = "last cell holds one block", .blocks = 20001}, {.name = "empty", .blocks = 31000, .density = 0},
        {.name = "full", .blocks = 31000, .density = 1},
        // 397 x 10 cells, whose rows need several runs of counted words.
        {.name = "long rows", .blocks = 1000 * 3970 - 7, .width = 1200, .height = 40, .blockSize = 2},
        // 17 x 12 cells: the largest cells counted in runs, and larger ones.
        {.name = "large cells", .blocks = 16384 * 204, .width = 60, .height = 45, .blockSize = 2},
        {.name = "larger cells", .blocks = 16385 * 204 - 5, .width = 60, .height = 45, .blockSize = 2},
        {.name = "$CBT at zero LCNs, zoomed", .blocks = 1000, .cbtFirst = 0, .cbtLast = 0},
    };
    // Cells across byte and word boundaries in every way.
    for (std::uint32_t b : {2u, 3u, 5u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 100u, 129u, 200u})
        scenes.push_back({.name = "b=" + std::to_string(b), .blocks = b * 5529 - b / 2});
    // Zoomed, one per cell and packed for each block size and DPI.
    for (const std::uint32_t size : {2u, 4u, 8u, 12u}) {
        for (const auto& [dpiX, dpiY] : {std::pair{96, 96}, std::pair{144, 144}, std::pair{144, 96}, std::pair{120, 192}}) {
            const BlockMapLayout grid = ComputeLayout({331, 217, size, dpiX, dpiY, kAsN, kAsN});
            for (const std::uint32_t blocks : {10u, static_cast<std::uint32_t>(grid.lastColumn * grid.lastRow) - 1, 60000u})
                scenes.push_back({.name = "size " + std::to_string(size) + " at " + std::to_string(dpiX) + "/" + std::to_string(dpiY),
                                  .blocks = blocks, .width = 331, .height = 217, .blockSize = size, .dpiX = dpiX, .dpiY = dpiY});
        }
    }
    for (const std::uint32_t n : {5000u, 20001u}) {
        const std::string mode = n == 5000 ? "one per cell, " : "packed, ";
        for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {18, 40}, {40, 18}, {19, 19}, {25, 25}, {2000, 20}, {20, 2000}})
            scenes.push_back({.name = mode + std::to_string(w) + " x " + std::to_string(h), .blocks = n == 5000 ? 1u : 7u, .width = w, .height = h});
        scenes.push_back({.name = mode + "flat strip", .blocks = n, .width = 2000, .height = 20});
        scenes.push_back({.name = mode + "tall strip", .blocks = n / 16, .width = 20, .height = 2000});
        scenes.push_back({.name = mode + "no bits", .blocks = n, .bitCount = 0, .bitmapBytes = 100});
        scenes.push_back({.name = mode + "no buffer", .blocks = n, .bitmapBytes = 0});
        scenes.push_back({.name = mode + "bit count below N", .blocks = n, .bitCount = n / 2 + 3});
        scenes.push_back({.name = mode + "set bits past N", .blocks = n, .bitCount = n + 529, .density = 1});
        scenes.push_back({.name = mode + "buffer shorter than the bits", .blocks = n, .bitmapBytes = n / 20 + 1});
        scenes.push_back({.name = mode + "buffer of one byte", .blocks = n, .bitmapBytes = 1});
        for (const auto& [width, height, padding] : {std::array{100, 50, 0}, {123, 400, 0}, {7, 8, 0}, {1, 1, 0}, {500, 301, 17}, {700, 500, 3}})
            scenes.push_back({.name = mode + "buffer " + std::to_string(width) + " x " + std::to_string(height), .blocks = n, .cbtFirst = 0,
                              .cbtLast = 0, .bufferWidth = width, .bufferHeight = height, .padding = padding});
        for (const auto& [first, last] : {std::pair<std::uint64_t, std::uint64_t>{0, 0}, {101, 350}, {n - 1, n - 1}, {n - 10, kFar},
                                          {n, n + 1000}, {kFar, kFar + 5}, {300, 200}, {0, ~std::uint64_t{0}}})
            scenes.push_back({.name = mode + "$CBT " + std::to_string(first) + " to " + std::to_string(last), .blocks = n, .cbtFirst = first, .cbtLast = last});
    }
    std::mt19937 random(20240613);
    for (const Scene& scene : scenes) {
        SCOPED_TRACE(scene.name);
        const std::size_t bytes = scene.bitmapBytes.value_or((std::size_t{scene.Bits()} + 7) / 8);
        ExpectMatchesReference(scene, RandomBitmap(bytes, scene.density, random));
        if (const std::uint64_t b = reference::ComputeLayout(scene.Request()).blocksPerCell; b > 1)
            ExpectMatchesReference(scene, LevelEdgeBitmap(bytes, std::min(scene.blocks, scene.Bits()), b, random));
    }
}

TEST(PaintBlockMap, UnusableBuffersAreNotWritten)
{
    const std::vector<std::uint8_t> bitmap(625, 0xFF);
    std::vector<Pixel> pixels(64, kSentinel);
    for (const PixelBuffer& buffer : {PixelBuffer{nullptr, 500, 301, 500}, {pixels.data(), 0, 8, 8}, {pixels.data(), 8, 0, 8},
                                      {pixels.data(), 8, 8, 7}, {pixels.data(), -8, 8, 8}})
        EXPECT_EQ(PaintBlockMap(Scene{.blocks = 5000}.Picture(bitmap), buffer).blocksPerCell, 1u);  // the layout still serves the hit test
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kSentinel), 64);
}

// The pane's off-screen buffer is kept while it covers the 500 x 300 client
// and is at most twice its size either way.
TEST(KeepsDib, WhileItCoversTheClientAndIsAtMostTwiceItsSize)
{
    const struct { bool hasDib; int width, height; bool keeps; } cases[] = {
        {true, 500, 301, true}, {true, 500, 300, true}, {true, 1000, 600, true}, {false, 500, 301, false},
        {true, 499, 301, false}, {true, 500, 299, false}, {true, 1001, 301, false}, {true, 500, 601, false}};
    for (const auto& c : cases)
        EXPECT_EQ(KeepsDib(c.hasDib, c.width, c.height, 500, 300), c.keeps) << c.width << " x " << c.height;
}

TEST(PixelFromColorRef, SwapsRedAndBlue)
{
    EXPECT_EQ(PixelFromColorRef(0x00112233), 0x00332211u);
    EXPECT_EQ(PixelFromColorRef(0xFF000000), 0u);  // the top byte is no colour
}

// Each level against its own formula, per channel, for random colour pairs.
TEST(BuildLevelPixels, FollowsTheQuarterFormulas)
{
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const ColorRef face = random() & 0xFFFFFF, block = random() & 0xFFFFFF;
        const LevelPixels levels = BuildLevelPixels(face, block);
        for (int shift : {0, 8, 16}) {
            auto channel = [&](Pixel pixel) { return static_cast<int>(pixel >> shift & 0xFF); };
            const int f = channel(PixelFromColorRef(face)), b = channel(PixelFromColorRef(block));
            EXPECT_EQ((std::array{channel(levels[0]), channel(levels[1]), channel(levels[2]), channel(levels[3]), channel(levels[4])}),
                      (std::array{f, (b + 3 * f + 2) / 4, (b + f + 1) / 2, (3 * b + f + 2) / 4, b}));
        }
    }
}

// 4s/b rounded up; the division-free cutoffs give the same level for every
// possible count.
TEST(CellLevel, RoundsFourQuartersUpAndTheCutoffsAgree)
{
    const struct { std::uint32_t blocks, set; int level; } cases[] = {
        {1, 0, 0}, {1, 1, 4}, {3, 2, 3}, {4, 1, 1}, {4, 2, 2}, {4, 3, 3}, {4, 4, 4}, {5, 1, 1}, {5, 4, 4},
        {100, 25, 1}, {100, 26, 2}, {100, 75, 3}, {100, 76, 4}, {0xFFFFFFFF, 1, 1}, {0xFFFFFFFF, 0xFFFFFFFF, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(CellLevel(c.blocks, c.set), c.level) << c.set << " of " << c.blocks;
    for (std::uint32_t b = 1; b <= 1100; b += b < 300 ? 1 : 97)
        for (std::uint32_t set = 0; set <= b; ++set)
            ASSERT_EQ(LevelCutoffs(b).LevelOf(set), CellLevel(b, set)) << set << " of " << b;
    for (std::uint32_t set : {0u, 1u, 0x40000000u, 0x40000001u, 0x80000000u, 0xBFFFFFFFu, 0xC0000000u, 0xFFFFFFFFu})
        EXPECT_EQ(LevelCutoffs(0xFFFFFFFF).LevelOf(set), CellLevel(0xFFFFFFFF, set)) << set;
}

} // namespace
} // namespace trackkit
