// The layout and the painter against the slow reference in reference_block_map.h, and the painter's colours.
#include "blockmap/painter.h"
#include "blockmap/dib_rule.h"
#include "blockmap/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <random>
#include <unordered_map>
#include <vector>

#include "reference_block_map.h"

namespace trackkit {
namespace {

constexpr ColorRef kFace = MakeColorRef(240, 240, 240), kBlock = MakeColorRef(0, 120, 215), kBackground = MakeColorRef(255, 255, 255);
constexpr Pixel kSentinel = 0xDEADBEEF;
constexpr std::uint32_t kAsN = 0xFFFFFFFF, kMaxBlocks = 0xFFFFFFFF;
constexpr std::uint64_t kFar = std::uint64_t{1} << 40;
constexpr int kIntMax = std::numeric_limits<int>::max(), kIntMin = std::numeric_limits<int>::min();

LayoutRequest Request(int width, int height, std::uint32_t blocks, std::uint32_t blockSize = 4, int dpiX = 96, int dpiY = 96)
{
    return LayoutRequest{width, height, blockSize, dpiX, dpiY, blocks, blocks == 0 ? 1 : blocks};
}

// 500 x 300 at block size 4: pitch 5, area 490 x 290 at (5, 5), 97 x 57 cells. Past the reference: largest N, no cells.
TEST(ComputeLayout, WorkedExamplesAndNoCells)
{
    EXPECT_TRUE(CellPitch(0, 96) == 1 && CellPitch(4, 0) == 1 && CellPitch(4, -96) <= 0 && CellPitch(0xFFFFFFFF, 192) <= 0);
    const struct { const char* name; LayoutRequest request; bool gridComputed; int pitch, lastColumn,
        lastRow; std::uint32_t blocksPerCell; } cases[] = {
        {"zoom jumps from ratio 2 to 0: taken back", Request(500, 300, 2764), true, 5, 97, 57, 1},
        {"pitch 147 leaves no row: stops at 145", Request(500, 300, 1), true, 145, 2, 1, 1},
        {"largest N", Request(500, 300, kMaxBlocks), true, 5, 97, 57, 776808},
        {"largest N on the widest client", Request(kIntMax, 30, kMaxBlocks), true, 5, 429496726, 3, 4},  // 3.3 blocks per cell
        {"area one pixel over a pitch", Request(16, 300, 10), true, 5, 0, 0, 0},
        {"most negative client", Request(kIntMin, kIntMin, 10), false, 0, 0, 0, 0},
        {"no bitmap", LayoutRequest{500, 300, 4, 96, 96, 5529, 0}, false, 0, 0, 0, 0},
        {"unusable DPI", Request(500, 300, 10, 4, -96), false, 0, 0, 0, 0},
        {"huge block size", Request(500, 300, 10, kMaxBlocks), false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BlockMapLayout layout = ComputeLayout(c.request);
        using Fields = std::array<std::int64_t, 5>;
        EXPECT_EQ((Fields{layout.gridComputed, layout.drawsCells, layout.lastColumn, layout.lastRow, layout.blocksPerCell}),
                  (Fields{c.gridComputed, c.lastColumn != 0, c.lastColumn, c.lastRow, c.blocksPerCell}));
        if (c.gridComputed) {  // the margins keep the unzoomed pitch
            EXPECT_EQ((std::array{layout.pitchX, layout.pitchY, layout.areaLeft, layout.areaTop, layout.areaWidth, layout.areaHeight}),
                      (std::array{c.pitch, c.pitch, 5, 5, c.request.clientWidth - 10, c.request.clientHeight - 10}));
        }
        EXPECT_TRUE(c.lastColumn != 0 || CellsHoldingBlocks(layout, c.request.blockCount) == 0);
    }
}

// Against the step-by-step zoom; one client in three is a strip, where one axis runs out of cells long before the other.
TEST(ComputeLayout, MatchesStepByStepZoom)
{
    std::mt19937 random(20240613);
    const std::uint32_t blockSizes[] = {2, 4, 8, 12}, dpis[] = {96, 120, 144, 192};
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
    for (int i = 0; i < 6000; ++i) {
        const int width = i % 3 == 1 ? uniform(0, 80) : uniform(0, 3000), height = i % 3 == 2 ? uniform(0, 80) : uniform(0, 1400);
        const auto blocks = std::uniform_int_distribution<std::uint32_t>(0, 1u << uniform(0, 24))(random);
        const LayoutRequest request = Request(width, height, blocks, blockSizes[i % 4], dpis[i / 4 % 4], dpis[i / 16 % 4]);
        const reference::Layout want = reference::ComputeLayout(request);
        const BlockMapLayout got = ComputeLayout(request);
        SCOPED_TRACE(testing::Message() << width << "x" << height << " N=" << blocks << " size " << request.blockSize
            << " dpi " << request.dpiX << "/" << request.dpiY);
        using Fields = std::array<std::int64_t, 7>;
        ASSERT_EQ((Fields{got.gridComputed, got.drawsCells, got.areaLeft, got.areaTop, got.areaWidth, got.areaHeight, got.blocksPerCell}),
                  (Fields{want.gridComputed, want.drawsCells, want.areaLeft, want.areaTop, want.width, want.height,
                      std::int64_t(want.blocksPerCell)}));
        ASSERT_TRUE(!want.drawsCells ||  // the zoomed grid
                    (Fields{got.pitchX, got.pitchY, got.lastColumn, got.lastRow} == Fields{want.pitchX, want.pitchY,
                        want.lastColumn, want.lastRow}));
    }
}

// Too large for the reference: every block has a cell, the zoom stopped at the first step below 2 cells per block (or
// the one before, when that step left fewer cells than blocks), and the grid lies in the area.
TEST(ComputeLayout, HugeClientsStayExactAndFinite)
{
    for (const LayoutRequest& request : {Request(kIntMax, kIntMax, 1), Request(kIntMax, kIntMax, 2764),
        Request(kIntMax, kIntMax, kMaxBlocks),
                                         Request(kIntMax, 300, kMaxBlocks, 2), Request(kIntMax, kIntMax, 0, 12, 480, 96)}) {
        const BlockMapLayout layout = ComputeLayout(request);
        const std::uint64_t blocks = std::max<std::uint32_t>(request.blockCount, 1);
        auto last = [](std::int64_t length,
            std::int64_t pitch) { return std::uint64_t(std::max<std::int64_t>(0, (length - pitch + 1) / pitch)); };
        auto ratio = [&](std::int64_t s) { return last(layout.areaWidth,
            layout.pitchX + 2 * s) * last(layout.areaHeight, layout.pitchY + 2 * s) / blocks; };
        SCOPED_TRACE(request.blockCount);
        ASSERT_TRUE(layout.drawsCells && layout.blocksPerCell == 1);
        EXPECT_EQ(ratio(0), std::uint64_t(layout.lastColumn) * std::uint64_t(layout.lastRow) / blocks);
        EXPECT_TRUE(ratio(0) == 1 || (ratio(0) >= 2 && ratio(1) == 0)) << ratio(0);
        EXPECT_TRUE(layout.pitchX == layout.areaLeft || ratio(-1) >= 2);
        EXPECT_TRUE(std::int64_t{layout.Columns()} * layout.pitchX <= std::int64_t{layout.areaWidth} + 1 &&
                    std::int64_t{layout.Rows()} * layout.pitchY <= std::int64_t{layout.areaHeight} + 1);
    }
}

// A cell's gap belongs to it. Pitch 7: 70 x 41 cells, 490 x 287 pixels; at pitch 5 areas of 492 and 489 hold 98 columns.
TEST(CellAtPoint, PointsOffTheGridAndGaps)
{
    const BlockMapLayout zoomed = ComputeLayout(Request(500, 300, 2000)), ragged = ComputeLayout(Request(502, 300, 5529));
    const BlockMapLayout overhang = ComputeLayout(Request(499, 300, 5529)), none = ComputeLayout(Request(16, 300, 10));
    const struct { const BlockMapLayout& layout; int x, y; std::optional<std::uint64_t> cell; } cases[] = {
        {zoomed, 4, 5, {}}, {zoomed, 5, 4, {}}, {zoomed, kIntMin, kIntMin, {}}, {zoomed, kIntMax, kIntMax, {}},
        {zoomed, 495, 5, {}}, {zoomed, 5, 292, {}}, {zoomed, 200, 294, {}}, {zoomed, 494, 291, 40 * 70 + 69}, {zoomed, 11, 5, 0},
        {ragged, 494, 5, 97}, {ragged, 495, 5, {}}, {overhang, 493, 5, 97}, {overhang, 494, 5, {}}, {none, 6, 6, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CellAtPoint(c.layout, c.x, c.y), c.cell) << c.x << ", " << c.y;
}

TEST(BlockToCluster, TruncatesWithoutOverflow)
{
    constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();
    const struct { std::uint64_t block; std::uint32_t bytesPerBlock, bytesPerCluster; std::optional<std::uint64_t> cluster; } cases[] = {
        {10, 4096, 4096, 10}, {10, 65536, 4096, 160}, {10, 4096, 65536, 0}, {17, 4096, 65536, 1}, {3, 1, 2, 1}, {10, 0, 4096, 0},
        {10, 4096, 0, std::nullopt}, {kMax64, 1, 1, kMax64}, {kMax64, 2, 1, std::nullopt},  // cluster size unknown; too large
        // 71-bit products
        {std::uint64_t{1} << 40, 1u << 31, 512, std::uint64_t{1} << 62},
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE, 0x100000000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlockToCluster(c.block, c.bytesPerBlock, c.bytesPerCluster), c.cluster) << c.block << " * "
            << c.bytesPerBlock << " / " << c.bytesPerCluster;
}

// One paint, by default of 5529 cells in a 500 x 300 client, into the pane's own buffer, one row taller than the client.
struct Scene {
    std::uint32_t blocks = 0;
    int width = 500, height = 300;
    std::uint32_t blockSize = 4;
    int dpiX = 96, dpiY = 96;
    std::uint64_t cbtFirst = 1, cbtLast = 0;   // first > last: no $CBT cells
    std::uint32_t bitCount = kAsN;             // kAsN: N
    std::optional<std::size_t> bitmapBytes{};  // default: just enough for the bit count
    double density = 0.4;
    int bufferWidth = 0, bufferHeight = 0, padding = 0;  // 0: the pane's own
    std::vector<std::uint32_t> outlined{};

    std::uint32_t Bits() const { return bitCount == kAsN ? blocks : bitCount; }
    LayoutRequest Request(bool hasBits = true) const { return {width, height, blockSize, dpiX, dpiY, blocks, hasBits ? Bits() : 0}; }
    BlockMapPicture Picture(std::span<const std::uint8_t> bitmap) const
    {
        return {width, height, blockSize, dpiX, dpiY, blocks, bitmap, Bits(), cbtFirst, cbtLast, kFace, kBlock, kBackground, outlined};
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

// Each cell of b blocks holds the fewest set blocks of a random level, or one fewer, at its start, end or anywhere.
std::vector<std::uint8_t> LevelEdgeBitmap(std::size_t bytes, std::uint64_t blocks, std::uint64_t b, std::mt19937& random)
{
    std::vector<std::uint8_t> bitmap(bytes);
    for (std::uint64_t first = 0; first < blocks; first += b) {
        const std::uint64_t level = std::uniform_int_distribution(1, 4)(random), set = (level - 1) * b / 4 + 1 - random() % 2;
        std::vector<std::uint64_t> order(std::min(b, blocks - first));
        std::iota(order.begin(), order.end(), first);
        if (random() % 3 == 1)
            std::reverse(order.begin(), order.end());
        else if (random() % 2 == 1)
            std::shuffle(order.begin(), order.end(), random);
        order.resize(std::min<std::uint64_t>(set, order.size()));
        for (const std::uint64_t block : order)
            if (block / 8 < bitmap.size())
                bitmap[block / 8] = static_cast<std::uint8_t>(bitmap[block / 8] | 1 << (block % 8));
    }
    return bitmap;
}

// Every pixel against the reference, and the hit test of the kept layout on every cell pixel; padding stays untouched.
void ExpectMatchesReference(const Scene& scene, std::span<const std::uint8_t> bitmap)
{
    const int width = scene.bufferWidth != 0 ? scene.bufferWidth : scene.width;
    const int height = scene.bufferHeight != 0 ? scene.bufferHeight : scene.height + 1, stride = width + scene.padding;
    std::vector<Pixel> pixels(static_cast<std::size_t>(std::max(0, stride * height)), kSentinel);
    const BlockMapLayout painted = PaintBlockMap(scene.Picture(bitmap), {pixels.data(), width, height, stride});
    const reference::Picture picture{scene.Request(!bitmap.empty()), bitmap, scene.cbtFirst, scene.cbtLast, kFace, kBlock, kBackground,
                                     scene.outlined};
    const reference::Layout layout = reference::ComputeLayout(picture.request);
    EXPECT_EQ(painted.drawsCells, layout.drawsCells);
    std::unordered_map<std::uint64_t, std::optional<Pixel>> cells;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < stride; ++x) {
            const auto cell = x < width ? reference::CellAt(layout, x, y) : std::nullopt;
            if (cell && !cells.contains(*cell))
                cells[*cell] = reference::CellPixel(picture, layout, *cell);
            const Pixel want = x >= width ? kSentinel : (cell ? cells[*cell] : std::nullopt).value_or(PixelFromColorRef(kBackground));
            const Pixel got = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)];
            const bool hitTestWrong = cell && CellAtPoint(painted, x, y) != cell;
            if (got != want || hitTestWrong)
                FAIL() << "(" << x << ", " << y << "): " << std::hex << got << ", want " << want
                    << (hitTestWrong ? ", hit test wrong" : "");
        }
}

// Every mode, tiny areas, strips, bitmaps that disagree with N, odd buffers, $CBT and outlines anywhere; random bits and
// level edges.
TEST(PaintBlockMap, MatchesTheReferenceInEveryModeAndAtTheEdges)
{
    // One per cell, a ragged last row, zoomed once and twice, a zoom step taken back, one block, none, packed, ...
    std::vector<Scene> scenes = {{.blocks = 5529}, {.blocks = 5000}, {.blocks = 2000}, {.blocks = 1000}, {.blocks = 2764}, {.blocks = 1},
                                 {.blocks = 0, .bitCount = 8}, {.blocks = 20000}, {.blocks = 20001}, {.blocks = 31000, .density = 0},
                                 {.blocks = 31000, .density = 1}, {.blocks = 1000, .cbtFirst = 0, .cbtLast = 0},
                                 // 397 x 10: rows of several runs
                                 {.blocks = 1000 * 3970 - 7, .width = 1200, .height = 40, .blockSize = 2},
                                 // 17 x 12: the largest cells counted in runs
                                 {.blocks = 16384 * 204, .width = 60, .height = 45, .blockSize = 2},
                                 {.blocks = 16385 * 204 - 5, .width = 60, .height = 45, .blockSize = 2}};  // and larger ones
    scenes.insert(scenes.end(), {{.blocks = 5529, .outlined = {0, 97, 98, 5528}}, {.blocks = 20000, .outlined = {4, 4, 9}},
                                 {.blocks = 1000, .cbtFirst = 100, .cbtLast = 120, .outlined = {99, 110}},  // over $CBT
                                 // past N: in the last packed cell, past the last cell, in columns off the buffer
                                 {.blocks = 20001, .outlined = {20001, 20003, kMaxBlocks}},
                                 {.blocks = 5000, .outlined = {5000, 5100}},
                                 {.blocks = 5000, .bufferWidth = 100, .bufferHeight = 50, .outlined = {50, 97, 100, 150, 198}}});
    for (std::uint32_t b : {2u, 3u, 5u, 6u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 100u, 129u, 200u})  // across bytes and words
        scenes.push_back({.blocks = b * 5529 - b / 2});
    for (const std::uint32_t size : {2u, 4u, 8u, 12u}) {  // zoomed, one per cell and packed for each block size and DPI
        for (const auto& [dpiX, dpiY] : {std::pair{96, 96}, std::pair{144, 144}, std::pair{144, 96}, std::pair{120, 192}}) {
            const BlockMapLayout grid = ComputeLayout({331, 217, size, dpiX, dpiY, kAsN, kAsN});
            for (const std::uint32_t blocks : {10u, static_cast<std::uint32_t>(grid.lastColumn * grid.lastRow) - 1, 60000u})
                scenes.push_back({.blocks = blocks, .width = 331, .height = 217, .blockSize = size, .dpiX = dpiX, .dpiY = dpiY});
        }
    }
    for (const std::uint32_t n : {5000u, 20001u}) {  // one per cell, packed
        for (const auto& [w, h] : {std::pair{0, 0}, {1, 1}, {18, 40}, {40, 18}, {19, 19}, {25, 25}, {2000, 20}, {20, 2000}})
            scenes.push_back({.blocks = n == 5000 ? 1u : 7u, .width = w, .height = h});
        scenes.insert(scenes.end(), {{.blocks = n, .width = 2000, .height = 20}, {.blocks = n / 16, .width = 20, .height = 2000},
                                     {.blocks = n, .bitCount = 0, .bitmapBytes = 100}, {.blocks = n, .bitmapBytes = 0},
                                     {.blocks = n, .bitmapBytes = 1},
                                     // set bits past N
                                     {.blocks = n, .bitCount = n / 2 + 3},
                                     {.blocks = n, .bitCount = n + 529, .density = 1},
                                     {.blocks = n, .bitmapBytes = n / 20 + 1}});  // a buffer shorter than the bits
        for (const auto& [width, height, padding] : {std::array{100, 50, 0}, {123, 400, 0}, {7, 8, 0}, {1, 1, 0},
            {500, 301, 17}, {700, 500, 3}})
            scenes.push_back({.blocks = n, .cbtFirst = 0, .cbtLast = 0, .bufferWidth = width, .bufferHeight = height, .padding = padding});
        for (const auto& [first, last] : {std::pair<std::uint64_t, std::uint64_t>{0, 0}, {101, 350}, {n - 1, n - 1}, {n - 10, kFar},
                                          {n, n + 1000}, {kFar, kFar + 5}, {300, 200}, {0, ~std::uint64_t{0}}})
            scenes.push_back({.blocks = n, .cbtFirst = first, .cbtLast = last});
    }
    std::mt19937 random(20240613);
    for (const Scene& s : scenes) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " N=" << s.blocks << " bits " << s.Bits()
            << " size " << s.blockSize << " dpi "
                                        << s.dpiX << "/" << s.dpiY << " $CBT " << s.cbtFirst << "-" << s.cbtLast
                                            << " buffer " << s.bufferWidth << "x" << s.bufferHeight << " outlined "
                                            << s.outlined.size());
        const std::size_t bytes = s.bitmapBytes.value_or((std::size_t{s.Bits()} + 7) / 8);
        ExpectMatchesReference(s, RandomBitmap(bytes, s.density, random));
        if (const std::uint64_t b = reference::ComputeLayout(s.Request()).blocksPerCell; b > 1)
            ExpectMatchesReference(s, LevelEdgeBitmap(bytes, std::min(s.blocks, s.Bits()), b, random));
    }
}

TEST(PaintBlockMap, UnusableBuffersAreNotWritten)
{
    std::vector<Pixel> pixels(64, kSentinel);
    for (const PixelBuffer& buffer : {PixelBuffer{nullptr, 500, 301, 500}, {pixels.data(), 0, 8, 8}, {pixels.data(), 8, 0, 8},
                                      {pixels.data(), 8, 8, 7}, {pixels.data(), -8, 8, 8}})
        // the layout still serves the hit test
        EXPECT_EQ(PaintBlockMap(Scene{.blocks = 5000}.Picture(std::vector<std::uint8_t>(625, 0xFF)),
            buffer).blocksPerCell, 1u);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kSentinel), 64);
}

// The pane's off-screen buffer is kept while it covers the 500 x 300 client and is at most twice its size either way.
TEST(KeepsDib, WhileItCoversTheClientAndIsAtMostTwiceItsSize)
{
    for (const auto& [has, width, height, kept] : {std::array{1, 500, 301, 1}, {1, 500, 300, 1}, {1, 1000, 600, 1}, {0, 500, 301, 0},
                                                   {1, 499, 301, 0}, {1, 500, 299, 0}, {1, 1001, 301, 0}, {1, 500, 601, 0}})
        EXPECT_EQ(KeepsDib(has == 1, width, height, 500, 300), kept == 1) << has << ": " << width << " x " << height;
}

// Each level against its own formula, per channel, for random colour pairs; a COLORREF's top byte is no colour.
TEST(BuildLevelPixels, FollowsTheQuarterFormulas)
{
    EXPECT_EQ((std::array{PixelFromColorRef(0x00112233), PixelFromColorRef(0xFF000000)}), (std::array<Pixel, 2>{0x00332211, 0}));
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

// 4s/b rounded up; the painter's division-free cutoffs agree, here for the largest cells, and in the painted scenes.
TEST(CellLevel, RoundsFourQuartersUpAndTheCutoffsAgree)
{
    const struct { std::uint32_t blocks, set; int level; } cases[] = {
        {1, 0, 0}, {1, 1, 4}, {3, 2, 3}, {4, 1, 1}, {4, 2, 2}, {4, 3, 3}, {4, 4, 4}, {5, 1, 1}, {5, 4, 4},
        {100, 25, 1}, {100, 26, 2}, {100, 75, 3}, {100, 76, 4}, {0xFFFFFFFF, 1, 1}, {0xFFFFFFFF, 0xFFFFFFFF, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(CellLevel(c.blocks, c.set), c.level) << c.set << " of " << c.blocks;
    for (std::uint32_t set : {0u, 1u, 0x40000000u, 0x40000001u, 0x80000000u, 0xBFFFFFFFu, 0xC0000000u, 0xFFFFFFFFu})
        EXPECT_EQ(LevelCutoffs(0xFFFFFFFF).LevelOf(set), CellLevel(0xFFFFFFFF, set)) << set;
}

} // namespace
} // namespace trackkit
