#include "blockmap/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>

#include "reference_block_map.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max(), kIntMin = std::numeric_limits<int>::min();
constexpr std::uint32_t kMaxBlocks = std::numeric_limits<std::uint32_t>::max();

LayoutRequest Request(int width, int height, std::uint32_t blocks, std::uint32_t blockSize = 4, int dpiX = 96, int dpiY = 96)
{
    return LayoutRequest{width, height, blockSize, dpiX, dpiY, blocks, blocks == 0 ? 1 : blocks};
}

TEST(CellPitch, ScalesThenMakesOdd)  // where the step-by-step reference does not reach: none, or 1
{
    EXPECT_TRUE(CellPitch(0, 96) == 1 && CellPitch(4, 0) == 1 && CellPitch(4, -96) <= 0 && CellPitch(0xFFFFFFFF, 192) <= 0);
}

// A 500 x 300 client at 96 DPI with block size 4 has pitch 5, a 490 x 290
// area from (5, 5) and lc x lr = 97 x 57 = 5529. Beyond the reference's
// reach: the largest N, and requests that lay out no cells. With no grid
// worked out the pane keeps its last one; an area over one pitch but too
// small for a column is a grid of no cells.
TEST(ComputeLayout, WorkedExamplesAndNoCells)
{
    const struct { const char* name; LayoutRequest request; bool gridComputed; int pitch, lastColumn, lastRow; std::uint32_t blocksPerCell; } cases[] = {
        {"zoom jumps from ratio 2 to 0: taken back", Request(500, 300, 2764), true, 5, 97, 57, 1},
        {"pitch 147 leaves no row: stops at 145", Request(500, 300, 1), true, 145, 2, 1, 1},
        {"largest N", Request(500, 300, kMaxBlocks), true, 5, 97, 57, 776808},
        {"largest N on the widest client", Request(kIntMax, 30, kMaxBlocks), true, 5, 429496726, 3, 4},  // 3.3 blocks per cell
        {"most negative client", Request(kIntMin, kIntMin, 10), false, 0, 0, 0, 0},
        {"area one pixel over a pitch", Request(16, 300, 10), true, 5, 0, 0, 0},
        {"no bitmap", LayoutRequest{500, 300, 4, 96, 96, 5529, 0}, false, 0, 0, 0, 0},
        {"unusable DPI", Request(500, 300, 10, 4, -96), false, 0, 0, 0, 0},
        {"huge block size", Request(500, 300, 10, kMaxBlocks), false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BlockMapLayout layout = ComputeLayout(c.request);
        EXPECT_EQ((std::array{layout.gridComputed, layout.drawsCells}), (std::array{c.gridComputed, c.lastColumn != 0}));
        EXPECT_EQ((std::array{layout.lastColumn, layout.lastRow}), (std::array{c.lastColumn, c.lastRow}));
        EXPECT_EQ(layout.blocksPerCell, c.blocksPerCell);
        if (c.gridComputed) {  // the margins keep the unzoomed pitch
            EXPECT_EQ((std::array{layout.pitchX, layout.pitchY, layout.areaLeft, layout.areaTop, layout.areaWidth, layout.areaHeight}),
                      (std::array{c.pitch, c.pitch, 5, 5, c.request.clientWidth - 10, c.request.clientHeight - 10}));
        }
        EXPECT_TRUE(c.lastColumn != 0 || CellsHoldingBlocks(layout, c.request.blockCount) == 0);
    }
}

// Against the literal step-by-step zoom, over many sizes, block sizes, DPIs
// and block counts; one client in three is a narrow or flat strip, where
// one axis runs out of cells long before the other.
TEST(ComputeLayout, MatchesStepByStepZoom)
{
    std::mt19937 random(20240613);
    const std::uint32_t blockSizes[] = {2, 4, 8, 12};
    const int dpis[] = {96, 120, 144, 192};
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
    for (int i = 0; i < 6000; ++i) {
        const int width = i % 3 == 1 ? uniform(0, 80) : uniform(0, 3000), height = i % 3 == 2 ? uniform(0, 80) : uniform(0, 1400);
        const auto blocks = std::uniform_int_distribution<std::uint32_t>(0, 1u << uniform(0, 24))(random);
        const LayoutRequest request = Request(width, height, blocks, blockSizes[i % 4], dpis[i / 4 % 4], dpis[i / 16 % 4]);
        const reference::Layout want = reference::ComputeLayout(request);
        const BlockMapLayout got = ComputeLayout(request);
        const bool draws = want.drawsCells;  // the zoomed grid only when there are cells
        ASSERT_EQ((std::array<std::int64_t, 11>{got.gridComputed, got.drawsCells, got.areaLeft, got.areaTop, got.areaWidth, got.areaHeight,
                                                draws ? got.pitchX : 0, draws ? got.pitchY : 0, got.lastColumn, got.lastRow, got.blocksPerCell}),
                  (std::array<std::int64_t, 11>{want.gridComputed, draws, want.areaLeft, want.areaTop, want.width, want.height, draws ? want.pitchX : 0,
                                                draws ? want.pitchY : 0, draws ? want.lastColumn : 0, draws ? want.lastRow : 0,
                                                static_cast<std::int64_t>(want.blocksPerCell)}))
            << width << "x" << height << " N=" << blocks << " size " << request.blockSize << " dpi " << request.dpiX << "/" << request.dpiY;
    }
}

// Too large for the step-by-step reference: the grid must hold every block,
// the zoom must have stopped at the first step below 2 cells per block (or
// the one before, when that step left fewer cells than blocks), and the grid
// must lie inside the area.
TEST(ComputeLayout, HugeClientsStayExactAndFinite)
{
    for (const LayoutRequest& request : {Request(kIntMax, kIntMax, 1), Request(kIntMax, kIntMax, 2764), Request(kIntMax, kIntMax, kMaxBlocks),
                                         Request(kIntMax, 300, kMaxBlocks, 2), Request(kIntMax, kIntMax, 0, 12, 480, 96)}) {
        const BlockMapLayout layout = ComputeLayout(request);
        const std::uint64_t blocks = std::max<std::uint32_t>(request.blockCount, 1);
        auto ratio = [&](std::int64_t step) {
            const std::int64_t px = layout.pitchX + 2 * step, py = layout.pitchY + 2 * step;
            const std::int64_t lc = std::max<std::int64_t>(0, (std::int64_t{layout.areaWidth} - px + 1) / px);
            const std::int64_t lr = std::max<std::int64_t>(0, (std::int64_t{layout.areaHeight} - py + 1) / py);
            return static_cast<std::uint64_t>(lc) * static_cast<std::uint64_t>(lr) / blocks;
        };
        SCOPED_TRACE(request.blockCount);
        ASSERT_TRUE(layout.drawsCells);
        EXPECT_EQ(layout.blocksPerCell, 1u);
        EXPECT_EQ(ratio(0), std::uint64_t(layout.lastColumn) * std::uint64_t(layout.lastRow) / blocks);
        EXPECT_TRUE(ratio(0) == 1 || (ratio(0) >= 2 && ratio(1) == 0)) << ratio(0);
        EXPECT_TRUE(layout.pitchX == layout.areaLeft || ratio(-1) >= 2);
        EXPECT_LE(std::int64_t{layout.Columns()} * layout.pitchX, std::int64_t{layout.areaWidth} + 1);
        EXPECT_LE(std::int64_t{layout.Rows()} * layout.pitchY, std::int64_t{layout.areaHeight} + 1);
    }
}

// Points off the grid have no cell; a cell's gap belongs to it. Pitch 7 in a
// 490 x 290 area: 70 x 41 cells, 490 x 287 pixels. A 492-pixel area at pitch
// 5 holds 98 columns, 490 pixels; so does a 489-pixel one, whose last gap
// lies outside the area.
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
        {10, 4096, 4096, 10}, {10, 65536, 4096, 160}, {10, 4096, 65536, 0}, {17, 4096, 65536, 1}, {3, 1, 2, 1},
        {10, 0, 4096, 0}, {10, 4096, 0, std::nullopt},                   // unknown cluster size
        {std::uint64_t{1} << 40, 1u << 31, 512, std::uint64_t{1} << 62},  // the product needs 71 bits
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE, 0x100000000},                // (2^32 - 1)^2 / (2^32 - 2)
        {kMax64, 1, 1, kMax64}, {kMax64, 2, 1, std::nullopt},            // does not fit in 64 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlockToCluster(c.block, c.bytesPerBlock, c.bytesPerCluster), c.cluster) << c.block << " * " << c.bytesPerBlock << " / " << c.bytesPerCluster;
}

} // namespace
} // namespace trackkit
