#include "blockmap/layout.h"

#include <algorithm>
#include <limits>

#include "common/dpi.h"

namespace trackkit {
namespace {

// Client sizes and pitches are ints, but their sums and products are worked
// out in 64 bits so that no client size, however absurd, can overflow.
using Wide = std::int64_t;

int ClampToInt(Wide value)
{
    return static_cast<int>(std::clamp<Wide>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// (length - pitch + 1) / pitch, truncating. While length > 0 this is never
// negative: once the pitch outgrows the length the quotient truncates to 0.
Wide LastIndex(Wide length, Wide pitch)
{
    return std::max<Wide>(0, (length - pitch + 1) / pitch);
}

// The grid after `step` zoom steps of 2 pixels each.
struct Grid {
    Wide pitchX = 0;
    Wide pitchY = 0;
    Wide lastColumn = 0;
    Wide lastRow = 0;

    std::uint64_t Cells() const { return static_cast<std::uint64_t>(lastColumn) * static_cast<std::uint64_t>(lastRow); }
    std::uint64_t Ratio(std::uint64_t blocks) const { return Cells() / blocks; }
};

Grid GridAtStep(Wide width, Wide height, Wide pitchX, Wide pitchY, Wide step)
{
    Grid grid;
    grid.pitchX = pitchX + 2 * step;
    grid.pitchY = pitchY + 2 * step;
    grid.lastColumn = LastIndex(width, grid.pitchX);
    grid.lastRow = LastIndex(height, grid.pitchY);
    return grid;
}

// Zoom: while at least two cells are left per block, grow both pitches by 2.
// The ratio never grows with the pitch, so the first step whose ratio drops
// below 2 is found by bisection instead of one step at a time (a huge client
// with few blocks would otherwise take millions of steps). A step can remove
// more than half of the cells at once and leave fewer cells than blocks
// (ratio 0); that step is taken back, so the grid keeps one cell per block.
Grid Zoom(Wide width, Wide height, Wide pitchX, Wide pitchY, std::uint64_t blocks)
{
    Wide stillTwo = 0;  // step 0 has ratio >= 2, or there would be no zoom
    // Past this step the pitch exceeds width + 1, so lastColumn is 0 and the
    // ratio is 0.
    Wide belowTwo = (width + 1 - pitchX) / 2 + 1;
    while (belowTwo - stillTwo > 1) {
        const Wide middle = stillTwo + (belowTwo - stillTwo) / 2;
        if (GridAtStep(width, height, pitchX, pitchY, middle).Ratio(blocks) >= 2)
            stillTwo = middle;
        else
            belowTwo = middle;
    }
    const Grid stopped = GridAtStep(width, height, pitchX, pitchY, belowTwo);
    return stopped.Ratio(blocks) >= 1 ? stopped : GridAtStep(width, height, pitchX, pitchY, stillTwo);
}

std::uint32_t PackedBlocksPerCell(std::uint64_t cells, std::uint64_t blocks)
{
    // Only reached when cells < blocks <= 2^32 - 1, so the quotient fits.
    return static_cast<std::uint32_t>((blocks + cells - 1) / cells);
}

} // namespace

int CellPitch(std::uint32_t blockSize, int dpi)
{
    const auto size = static_cast<int>(std::min<std::uint32_t>(blockSize, std::numeric_limits<int>::max()));
    const int scaled = ScaleForDpi(size, dpi);
    return scaled < 0 ? scaled : scaled | 1;
}

BlockMapLayout ComputeLayout(const LayoutRequest& request)
{
    BlockMapLayout layout;
    const int pitchX = CellPitch(request.blockSize, request.dpiX);
    const int pitchY = CellPitch(request.blockSize, request.dpiY);
    if (pitchX < 1 || pitchY < 1)
        return layout;

    const Wide width = Wide{request.clientWidth} - 2 * Wide{pitchX};
    const Wide height = Wide{request.clientHeight} - 2 * Wide{pitchY};
    layout.areaLeft = pitchX;
    layout.areaTop = pitchY;
    layout.areaWidth = ClampToInt(width);
    layout.areaHeight = ClampToInt(height);
    layout.pitchX = pitchX;
    layout.pitchY = pitchY;
    if (width <= pitchX || height <= pitchY || request.bitmapBitCount == 0)
        return layout;

    layout.gridComputed = true;
    Grid grid = GridAtStep(width, height, pitchX, pitchY, 0);
    if (grid.lastColumn == 0 || grid.lastRow == 0)
        return layout;  // no cells, blocksPerCell 0

    const std::uint64_t blocks = std::max<std::uint32_t>(request.blockCount, 1);
    const std::uint64_t ratio = grid.Ratio(blocks);
    layout.blocksPerCell = ratio == 0 ? PackedBlocksPerCell(grid.Cells(), blocks) : 1;
    if (ratio >= 2)
        grid = Zoom(width, height, pitchX, pitchY, blocks);

    // A grid that holds a cell per block has lastColumn >= 1, so its pitch is
    // at most (width + 1) / 2 and everything fits in an int again.
    layout.pitchX = static_cast<int>(grid.pitchX);
    layout.pitchY = static_cast<int>(grid.pitchY);
    layout.lastColumn = static_cast<int>(grid.lastColumn);
    layout.lastRow = static_cast<int>(grid.lastRow);
    layout.drawsCells = true;
    return layout;
}

std::uint64_t CellsHoldingBlocks(const BlockMapLayout& layout, std::uint32_t blockCount)
{
    if (!layout.drawsCells || layout.blocksPerCell == 0)
        return 0;
    const std::uint64_t blocks = std::max<std::uint32_t>(blockCount, 1);
    return (blocks - 1) / layout.blocksPerCell + 1;
}

std::optional<std::uint64_t> CellAtPoint(const BlockMapLayout& layout, int x, int y)
{
    if (!layout.drawsCells)
        return std::nullopt;
    const Wide dx = Wide{x} - layout.areaLeft;
    const Wide dy = Wide{y} - layout.areaTop;
    if (dx < 0 || dy < 0 || dx >= layout.areaWidth || dy >= layout.areaHeight)
        return std::nullopt;
    const Wide column = dx / layout.pitchX;
    const Wide row = dy / layout.pitchY;
    if (column > layout.lastColumn || row > layout.lastRow)
        return std::nullopt;
    return static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(layout.Columns()) + static_cast<std::uint64_t>(column);
}

std::uint64_t FirstBlockOfCell(const BlockMapLayout& layout, std::uint64_t cell)
{
    return cell * layout.blocksPerCell;
}

std::optional<std::uint64_t> BlockToCluster(std::uint64_t block, std::uint32_t bytesPerBlock, std::uint32_t bytesPerCluster)
{
    if (bytesPerCluster == 0)
        return std::nullopt;
    // block * perBlock / perCluster without a 128-bit product: with
    // block = whole * perCluster + rest, the quotient is
    // whole * perBlock + rest * perBlock / perCluster, and rest * perBlock < 2^64.
    const std::uint64_t whole = block / bytesPerCluster;
    const std::uint64_t rest = block % bytesPerCluster;
    const std::uint64_t fromRest = rest * bytesPerBlock / bytesPerCluster;
    if (bytesPerBlock != 0 && whole > (std::numeric_limits<std::uint64_t>::max() - fromRest) / bytesPerBlock)
        return std::nullopt;
    return whole * bytesPerBlock + fromRest;
}

} // namespace trackkit
