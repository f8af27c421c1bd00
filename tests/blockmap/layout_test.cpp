#include "blockmap/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <random>

#include "reference_block_map.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr std::uint32_t kMaxBlocks = std::numeric_limits<std::uint32_t>::max();

LayoutRequest Request(int width, int height, std::uint32_t blocks, std::uint32_t blockSize = 4, int dpiX = 96, int dpiY = 96)
{
    return LayoutRequest{width, height, blockSize, dpiX, dpiY, blocks, blocks == 0 ? 1 : blocks};
}

// Pitches the step-by-step reference below does not reach: none, or 1.
TEST(CellPitch, ScalesThenMakesOdd)
{
    EXPECT_EQ(CellPitch(0, 96), 1);
    EXPECT_EQ(CellPitch(4, 0), 1);
    EXPECT_LE(CellPitch(4, -96), 0);
    EXPECT_LE(CellPitch(0xFFFFFFFF, 192), 0);
}

// A 500 x 300 client at 96 DPI with block size 4 has pitch 5, a 490 x 290
// area and lc x lr = 97 x 57 = 5529.
TEST(ComputeLayout, WorkedExamples)
{
    const struct {
        const char* name;
        int width, height;
        std::uint32_t blocks;
        int pitch, lastColumn, lastRow;
        std::uint32_t blocksPerCell;
    } cases[] = {
        {"zoom jumps from ratio 2 to 0: taken back", 500, 300, 2764, 5, 97, 57, 1},
        {"pitch 147 leaves no row: stops at 145", 500, 300, 1, 145, 2, 1, 1},
        {"largest N", 500, 300, kMaxBlocks, 5, 97, 57, 776808},
        {"largest N on the widest client", kIntMax, 30, kMaxBlocks, 5, 429496726, 3, 4},  // 3.3 blocks per cell
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BlockMapLayout layout = ComputeLayout(Request(c.width, c.height, c.blocks));
        EXPECT_TRUE(layout.drawsCells && layout.gridComputed);
        EXPECT_EQ((std::array{layout.areaLeft, layout.areaTop, layout.areaWidth, layout.areaHeight}),
                  (std::array{5, 5, c.width - 10, c.height - 10}));  // the margins keep the unzoomed pitch
        EXPECT_EQ((std::array{layout.pitchX, layout.pitchY, layout.lastColumn, layout.lastRow}),
                  (std::array{c.pitch, c.pitch, c.lastColumn, c.lastRow}));
        EXPECT_EQ(layout.blocksPerCell, c.blocksPerCell);
    }
}

// Requests that lay out no cells. With no grid worked out the pane keeps its
// last one; an area over one pitch but too small for a column is a grid of
// no cells.
TEST(ComputeLayout, NoCells)
{
    const struct {
        const char* name;
        LayoutRequest request;
        bool gridComputed;
    } cases[] = {
        {"most negative client", Request(kIntMin, kIntMin, 10), false},
        {"area one pixel over a pitch", Request(16, 300, 10), true},
        {"no bitmap", LayoutRequest{500, 300, 4, 96, 96, 5529, 0}, false},
        {"unusable DPI", Request(500, 300, 10, 4, -96), false},
        {"huge block size", Request(500, 300, 10, kMaxBlocks), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const BlockMapLayout layout = ComputeLayout(c.request);
        EXPECT_EQ(layout.gridComputed, c.gridComputed);
        EXPECT_FALSE(layout.drawsCells);
        EXPECT_EQ(layout.blocksPerCell, 0u);
        EXPECT_EQ(layout.lastColumn, 0);
        EXPECT_EQ(CellsHoldingBlocks(layout, c.request.blockCount), 0u);
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
        const int width = i % 3 == 1 ? uniform(0, 80) : uniform(0, 3000);
        const int height = i % 3 == 2 ? uniform(0, 80) : uniform(0, 1400);
        const auto blocks = std::uniform_int_distribution<std::uint32_t>(0, 1u << uniform(0, 24))(random);
        const LayoutRequest request = Request(width, height, blocks, blockSizes[i % 4], dpis[i / 4 % 4], dpis[i / 16 % 4]);
        const reference::Layout expected = reference::ComputeLayout(request);
        const BlockMapLayout actual = ComputeLayout(request);
        SCOPED_TRACE(testing::Message() << width << "x" << height << " N=" << blocks << " size " << request.blockSize << " dpi "
                                        << request.dpiX << "/" << request.dpiY);
        using Wide = std::array<std::int64_t, 6>;
        ASSERT_EQ((Wide{actual.gridComputed, actual.drawsCells, actual.areaLeft, actual.areaTop, actual.areaWidth, actual.areaHeight}),
                  (Wide{expected.gridComputed, expected.drawsCells, expected.areaLeft, expected.areaTop, expected.width, expected.height}));
        if (expected.drawsCells) {
            ASSERT_EQ((Wide{actual.pitchX, actual.pitchY, actual.lastColumn, actual.lastRow, actual.blocksPerCell, 0}),
                      (Wide{expected.pitchX, expected.pitchY, expected.lastColumn, expected.lastRow,
                            static_cast<std::int64_t>(expected.blocksPerCell), 0}));
        }
    }
}

// Too large for the step-by-step reference: the grid must hold every block,
// the zoom must have stopped at the first step below 2 cells per block (or
// the one before, when that step left fewer cells than blocks), and the grid
// must lie inside the area.
TEST(ComputeLayout, HugeClientsStayExactAndFinite)
{
    const LayoutRequest requests[] = {
        Request(kIntMax, kIntMax, 1), Request(kIntMax, kIntMax, 2764), Request(kIntMax, kIntMax, kMaxBlocks),
        Request(kIntMax, 300, kMaxBlocks, 2), Request(kIntMax, kIntMax, 0, 12, 480, 96),
    };
    for (const LayoutRequest& request : requests) {
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
        if (layout.pitchX > layout.areaLeft) {
            EXPECT_GE(ratio(-1), 2u);
        }
        EXPECT_LE(std::int64_t{layout.Columns()} * layout.pitchX, std::int64_t{layout.areaWidth} + 1);
        EXPECT_LE(std::int64_t{layout.Rows()} * layout.pitchY, std::int64_t{layout.areaHeight} + 1);
    }
}

// Every pixel of a cell, its gap included, maps back to it; points off the
// grid have no cell.
TEST(CellAtPoint, CellsAndPointsOffTheGrid)
{
    for (const LayoutRequest& request : {Request(500, 300, 1000), Request(500, 300, 20000), Request(97, 61, 7, 2, 144, 96)}) {
        const BlockMapLayout layout = ComputeLayout(request);
        for (int row = 0; row < layout.Rows(); ++row) {
            for (int column = 0; column < layout.Columns(); ++column) {
                const int left = layout.areaLeft + column * layout.pitchX, top = layout.areaTop + row * layout.pitchY;
                const auto cell = std::uint64_t(row) * std::uint64_t(layout.Columns()) + std::uint64_t(column);
                EXPECT_EQ(CellAtPoint(layout, left, top), cell);
                EXPECT_EQ(CellAtPoint(layout, left + layout.pitchX - 1, top + layout.pitchY - 1), cell);
                EXPECT_EQ(FirstBlockOfCell(layout, cell), cell * layout.blocksPerCell);
            }
        }
    }
    // Pitch 7 in a 490 x 290 area: 70 x 41 cells, 490 x 287 pixels. A 492-pixel
    // area at pitch 5 holds 98 columns, 490 pixels; so does a 489-pixel one,
    // whose last gap lies outside the area.
    const BlockMapLayout zoomed = ComputeLayout(Request(500, 300, 2000));
    const BlockMapLayout ragged = ComputeLayout(Request(502, 300, 5529));
    const BlockMapLayout overhang = ComputeLayout(Request(499, 300, 5529));
    const struct {
        const BlockMapLayout& layout;
        int x, y;
        std::optional<std::uint64_t> cell;
    } cases[] = {
        {zoomed, 4, 5, {}}, {zoomed, 5, 4, {}}, {zoomed, kIntMin, kIntMin, {}}, {zoomed, kIntMax, kIntMax, {}},
        {zoomed, 495, 5, {}}, {zoomed, 5, 292, {}}, {zoomed, 200, 294, {}}, {zoomed, 494, 291, 40 * 70 + 69},
        {ragged, 494, 5, 97}, {ragged, 495, 5, {}}, {overhang, 493, 5, 97}, {overhang, 494, 5, {}},
        {ComputeLayout(Request(16, 300, 10)), 6, 6, {}},  // a grid of no cells
    };
    for (const auto& c : cases)
        EXPECT_EQ(CellAtPoint(c.layout, c.x, c.y), c.cell) << c.x << ", " << c.y;
}

TEST(BlockToCluster, TruncatesWithoutOverflow)
{
    constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();
    const struct {
        std::uint64_t block;
        std::uint32_t bytesPerBlock, bytesPerCluster;
        std::optional<std::uint64_t> cluster;
    } cases[] = {
        {10, 4096, 4096, 10}, {10, 65536, 4096, 160}, {10, 4096, 65536, 0}, {17, 4096, 65536, 1}, {3, 1, 2, 1},
        {10, 0, 4096, 0}, {10, 4096, 0, std::nullopt},                   // unknown cluster size
        {std::uint64_t{1} << 40, 1u << 31, 512, std::uint64_t{1} << 62},  // the product needs 71 bits
        {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE, 0x100000000},                // (2^32 - 1)^2 / (2^32 - 2)
        {kMax64, 1, 1, kMax64}, {kMax64, 2, 1, std::nullopt},            // does not fit in 64 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlockToCluster(c.block, c.bytesPerBlock, c.bytesPerCluster), c.cluster)
            << c.block << " * " << c.bytesPerBlock << " / " << c.bytesPerCluster;
}

} // namespace
} // namespace trackkit
