#pragma once

#include <cstdint>
#include <optional>

namespace trackkit {

// What the layout needs to know, taken at every paint.
struct LayoutRequest {
    int clientWidth = 0;
    int clientHeight = 0;
    std::uint32_t blockSize = 4;  // cell size in pixels at 96 DPI, without the gap
    int dpiX = 96;
    int dpiY = 96;
    std::uint32_t blockCount = 0;   // N; 0 is taken as 1
    std::uint32_t bitmapBitCount = 0; // 0: no bitmap, nothing is drawn
};

// Where the cells of the block map go. Cell k lies at row k / (lastColumn + 1),
// column k mod (lastColumn + 1); its top-left pixel is
// (areaLeft + column * pitchX, areaTop + row * pitchY); it fills
// (pitchX - 1) x (pitchY - 1) pixels.
//
// The map area is the client rectangle shrunk by the unzoomed pitches, so
// areaLeft and areaTop are those pitches; pitchX and pitchY are the pitches
// after any zoom.
struct BlockMapLayout {
    int areaLeft = 0;
    int areaTop = 0;
    int areaWidth = 0;   // W
    int areaHeight = 0;  // H
    int pitchX = 0;      // odd; cell size plus the 1-pixel gap, zoom included
    int pitchY = 0;
    int lastColumn = 0;  // lc
    int lastRow = 0;     // lr
    std::uint32_t blocksPerCell = 0;  // 0: no cells are drawn
    bool drawsCells = false;
    // True when the grid was worked out, even if it came to no cells (lc or lr
    // 0). The pane then records blocksPerCell and the pitches for its hit test;
    // when false (area too small, no bitmap) it keeps those of its last paint.
    bool gridComputed = false;

    int Columns() const { return lastColumn + 1; }
    int Rows() const { return lastRow + 1; }
};

// The unzoomed pitch for a block size at a DPI: scaled, then made odd. Zero or
// less when the scaled size does not fit in an int or the DPI is negative; such
// a pitch lays out no cells.
int CellPitch(std::uint32_t blockSize, int dpi);

BlockMapLayout ComputeLayout(const LayoutRequest& request);

// How many cells hold at least one of the N blocks (N = 0 taken as 1); the
// grid positions after them are not drawn. 0 when no cells are drawn.
std::uint64_t CellsHoldingBlocks(const BlockMapLayout& layout, std::uint32_t blockCount);

// The cell under a client point, when the point lies on the grid: inside the
// map area, in a column up to lastColumn and a row up to lastRow. A cell's gap
// pixels belong to it. Whether the cell holds blocks is the caller's check
// (FirstBlockOfCell below N).
std::optional<std::uint64_t> CellAtPoint(const BlockMapLayout& layout, int x, int y);
std::uint64_t FirstBlockOfCell(const BlockMapLayout& layout, std::uint64_t cell);
// cluster = block * bytes per block / bytes per cluster, truncating; nothing
// when the bytes per cluster are unknown (0) or the cluster does not fit in 64
// bits.
std::optional<std::uint64_t> BlockToCluster(std::uint64_t block, std::uint32_t bytesPerBlock, std::uint32_t bytesPerCluster);

} // namespace trackkit
