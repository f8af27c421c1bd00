#pragma once

// Slow, literal versions of the block map's layout and painting, written to be obviously right rather than fast.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>

#include "blockmap/colors.h"
#include "blockmap/layout.h"
#include "common/dpi.h"

namespace trackkit::reference {

struct Layout {
    std::int64_t areaLeft = 0, areaTop = 0, width = 0, height = 0;
    std::int64_t pitchX = 0, pitchY = 0, lastColumn = 0, lastRow = 0;
    std::uint64_t blocksPerCell = 0;
    bool gridComputed = false, drawsCells = false;
};

// The layout one zoom step at a time. A step that leaves fewer cells than blocks is taken back.
inline Layout ComputeLayout(const LayoutRequest& request)
{
    Layout layout;
    layout.pitchX = MulDiv(static_cast<int>(request.blockSize), request.dpiX, 96) | 1;
    layout.pitchY = MulDiv(static_cast<int>(request.blockSize), request.dpiY, 96) | 1;
    layout.areaLeft = layout.pitchX;
    layout.areaTop = layout.pitchY;
    layout.width = std::int64_t{request.clientWidth} - 2 * layout.pitchX;
    layout.height = std::int64_t{request.clientHeight} - 2 * layout.pitchY;
    if (layout.width <= layout.pitchX || layout.height <= layout.pitchY || request.bitmapBitCount == 0)
        return layout;
    layout.gridComputed = true;
    auto recompute = [&] {
        layout.lastColumn = std::max<std::int64_t>(0, (layout.width - layout.pitchX + 1) / layout.pitchX);
        layout.lastRow = std::max<std::int64_t>(0, (layout.height - layout.pitchY + 1) / layout.pitchY);
    };
    recompute();
    if (layout.lastColumn == 0 || layout.lastRow == 0)
        return layout;
    const std::uint64_t blocks = std::max<std::uint32_t>(request.blockCount, 1);
    auto ratio = [&] { return static_cast<std::uint64_t>(layout.lastColumn * layout.lastRow) / blocks; };
    layout.drawsCells = true;
    if (ratio() == 0) {
        const auto cells = static_cast<std::uint64_t>(layout.lastColumn * layout.lastRow);
        layout.blocksPerCell = blocks / cells + (blocks % cells != 0 ? 1 : 0);
        return layout;
    }
    layout.blocksPerCell = 1;
    while (ratio() >= 2) {
        const Layout before = layout;
        layout.pitchX += 2;
        layout.pitchY += 2;
        recompute();
        if (ratio() == 0) {
            layout = before;
            break;
        }
    }
    return layout;
}

struct Picture {
    LayoutRequest request;
    std::span<const std::uint8_t> bitmap;
    std::uint64_t cbtFirstBlock = 0, cbtLastBlock = 0;
    ColorRef face = 0, block = 0, background = 0;
    std::span<const std::uint32_t> outlined;
};

// The cell whose (pitch - 1) x (pitch - 1) rectangle holds a pixel; nothing for margins, gaps and points off the grid.
inline std::optional<std::uint64_t> CellAt(const Layout& layout, std::int64_t x, std::int64_t y)
{
    const std::int64_t dx = x - layout.areaLeft, dy = y - layout.areaTop;
    if (!layout.drawsCells || dx < 0 || dy < 0)
        return std::nullopt;
    const std::int64_t column = dx / layout.pitchX, row = dy / layout.pitchY;
    if (column > layout.lastColumn || row > layout.lastRow)
        return std::nullopt;
    if (dx % layout.pitchX == layout.pitchX - 1 || dy % layout.pitchY == layout.pitchY - 1)
        return std::nullopt;  // the gap right of and below each cell
    return static_cast<std::uint64_t>(row * (layout.lastColumn + 1) + column);
}

// A cell's colour, counting its bits one at a time (blocks at or past N, the bit count or the end of the bitmap count
// as unchanged); nothing (background) for a cell past the last block. An outlined block below N outlines its cell,
// over $CBT too.
inline std::optional<Pixel> CellPixel(const Picture& picture, const Layout& layout, std::uint64_t cell)
{
    const std::uint64_t b = layout.blocksPerCell, first = cell * b, blocks = std::max<std::uint32_t>(picture.request.blockCount, 1);
    if (first >= blocks)
        return std::nullopt;
    if (std::any_of(picture.outlined.begin(), picture.outlined.end(),
                    [&](std::uint64_t block) { return block < picture.request.blockCount && block / b == cell; }))
        return PixelFromColorRef(kOutlineColor);
    if (picture.cbtFirstBlock <= picture.cbtLastBlock && cell >= picture.cbtFirstBlock / b && cell <= picture.cbtLastBlock / b)
        return PixelFromColorRef(kCbtColor);
    std::uint64_t set = 0;
    for (std::uint64_t block = first; block < first + b; ++block)
        if (block < blocks && block < picture.request.bitmapBitCount && block / 8 < picture.bitmap.size())
            set += picture.bitmap[block / 8] >> (block % 8) & 1;
    const int level = CellLevel(static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(set));
    return BuildLevelPixels(picture.face, picture.block)[static_cast<std::size_t>(level)];
}

} // namespace trackkit::reference
