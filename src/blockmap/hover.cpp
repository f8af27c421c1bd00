#include "blockmap/hover.h"

#include <algorithm>
#include <limits>

#include "blockmap/layout.h"
#include "common/text.h"

namespace trackkit {
namespace {

constexpr std::size_t kHoverTextChars = 128;

using Wide = std::int64_t;

int ClampToInt(Wide value)
{
    return static_cast<int>(std::clamp<Wide>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int LastIndex(int length, int pitch)
{
    return ClampToInt(std::max<Wide>(0, (Wide{length} - pitch + 1) / pitch));
}

// The last paint's grid, moved onto the map area of the pane as it is now.
BlockMapLayout GridForCurrentArea(const TrackViewState& view, int clientWidth, int clientHeight, int marginX,
                                  int marginY)
{
    BlockMapLayout grid = view.lastLayout;
    grid.areaLeft = marginX;
    grid.areaTop = marginY;
    grid.areaWidth = ClampToInt(Wide{clientWidth} - 2 * Wide{marginX});
    grid.areaHeight = ClampToInt(Wide{clientHeight} - 2 * Wide{marginY});
    grid.lastColumn = LastIndex(grid.areaWidth, grid.pitchX);
    grid.lastRow = LastIndex(grid.areaHeight, grid.pitchY);
    grid.drawsCells = grid.blocksPerCell > 0 && grid.lastColumn > 0 && grid.lastRow > 0;
    return grid;
}

bool InsideArea(const BlockMapLayout& grid, int x, int y)
{
    const Wide dx = Wide{x} - grid.areaLeft;
    const Wide dy = Wide{y} - grid.areaTop;
    return dx >= 0 && dy >= 0 && dx < grid.areaWidth && dy < grid.areaHeight;
}

// The blocks of the cell that lie on the volume: the last cell of a packed
// map ends at block N - 1, as the volume does (the lookup asks no further).
std::uint64_t EndOfCellOnVolume(const TrackViewState& view, const CellBlocks& cell)
{
    return std::min<std::uint64_t>(cell.first + cell.count, view.session.geometry.blockCount);
}

std::wstring ClusterRangeText(const TrackViewState& view, const CellBlocks& cell)
{
    const VolumeGeometry& geometry = view.session.geometry;
    const auto first = BlockToCluster(cell.first, geometry.bytesPerBlock, geometry.bytesPerCluster);
    const auto end = BlockToCluster(EndOfCellOnVolume(view, cell), geometry.bytesPerBlock, geometry.bytesPerCluster);
    if (!first || !end)
        return L"?";
    // Blocks smaller than clusters can leave a cell inside one cluster; the
    // range then is that cluster rather than an empty one.
    const std::uint64_t last = *end > *first ? *end - 1 : *first;
    return FormatBounded(kHoverTextChars, L"%llu-%llu", static_cast<unsigned long long>(*first),
                         static_cast<unsigned long long>(last));
}

std::wstring CellText(const TrackViewState& view, const CellBlocks& cell, int x, int y)
{
    const std::uint64_t lastBlock = EndOfCellOnVolume(view, cell) - 1;
    return FormatBounded(kHoverTextChars, L"(%d, %d)   Blocks=%llu-%llu   Clusters=%ls", x, y,
                         static_cast<unsigned long long>(cell.first), static_cast<unsigned long long>(lastBlock),
                         ClusterRangeText(view, cell).c_str());
}

} // namespace

MapHit HitTestMap(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y)
{
    MapHit hit;
    const BlockMapLayout& painted = view.lastLayout;
    const std::uint32_t blockCount = view.session.geometry.blockCount;
    const int marginX = CellPitch(view.blockSize, view.dpiX);
    const int marginY = CellPitch(view.blockSize, view.dpiY);
    if (blockCount == 0 || painted.pitchX <= 0 || painted.pitchY <= 0 || marginX <= 0 || marginY <= 0)
        return hit;
    hit.mapKnown = true;

    const BlockMapLayout grid = GridForCurrentArea(view, clientWidth, clientHeight, marginX, marginY);
    hit.insideArea = InsideArea(grid, x, y);
    const auto cell = hit.insideArea ? CellAtPoint(grid, x, y) : std::nullopt;
    if (!cell)
        return hit;
    const std::uint64_t first = FirstBlockOfCell(grid, *cell);
    if (first < blockCount)
        hit.cell = CellBlocks{first, grid.blocksPerCell};
    return hit;
}

HoverReadout ReadHover(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y)
{
    const MapHit hit = HitTestMap(view, clientWidth, clientHeight, x, y);
    if (!hit.mapKnown)
        return {};
    if (!hit.insideArea)
        return {MouseCapture::Release, kReadyStatusText};
    if (!hit.cell)
        return {MouseCapture::Take, kReadyStatusText};
    return {MouseCapture::Take, CellText(view, *hit.cell, x, y)};
}

std::optional<ClusterLookupCell> LookupCellAt(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y)
{
    const MapHit hit = HitTestMap(view, clientWidth, clientHeight, x, y);
    if (!hit.cell)
        return std::nullopt;
    const VolumeGeometry& geometry = view.session.geometry;
    return ClusterLookupCell{hit.cell->first, hit.cell->count, geometry.blockCount, geometry.bytesPerBlock,
                             geometry.bytesPerCluster};
}

} // namespace trackkit
