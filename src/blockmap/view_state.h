#pragma once

#include <cstdint>
#include <vector>

#include "blockmap/colors.h"
#include "blockmap/layout.h"
#include "blockmap/painter.h"
#include "tracking/poller.h"

namespace trackkit {

inline constexpr std::uint32_t kInitialBlockSize = 8;

// The block-map pane's record: the poller's session (volume, geometry, bitmap,
// poll period) and what the view adds to it.
struct TrackViewState {
    explicit TrackViewState(BitmapMemory& memory = HeapBitmapMemory()) : session(memory) {}

    TrackingSession session;
    std::uint32_t blockSize = kInitialBlockSize;  // cell size at 96 DPI, without the gap
    ColorRef faceColor = 0;    // cells with no changed block
    ColorRef blockColor = 0;   // cells whose blocks all changed
    int dpiX = 96;             // of the paint device, refreshed at every paint
    int dpiY = 96;
    // The grid of the last paint that worked one out, for hit tests and the
    // cluster lookup. Zero until the first paint with a bitmap.
    BlockMapLayout lastLayout;
    // Blocks whose cells are painted in kOutlineColor, ascending: those of
    // the files picked in the changed-files window. Empty: no outline.
    std::vector<std::uint32_t> outlinedBlocks;
};

// What a paint of the pane reads, for a client area and background colour.
BlockMapPicture PictureOf(const TrackViewState& view, int clientWidth, int clientHeight, ColorRef background);

// Keeps the layout of a paint for hit testing. A paint that laid out no grid
// (area too small, no bitmap) leaves the previous one in place.
void RememberLayout(TrackViewState& view, const BlockMapLayout& layout);

} // namespace trackkit
