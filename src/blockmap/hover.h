#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "blockmap/view_state.h"
#include "tracking/cluster_lookup.h"

namespace trackkit {

// The status bar's text whenever the pointer shows no cell.
inline constexpr wchar_t kReadyStatusText[] = L" Ready...";

// The blocks of one cell: first to first + count - 1, the cell's nominal
// range (the last cell of a packed map may reach past N).
struct CellBlocks {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
};

// Where a point of the pane's client area falls on the block map. The map
// area is the client rectangle at its current size, shrunk by the unzoomed
// pitches of the block size and the DPI of the last paint; the cells are
// those of the last paint's pitches and blocks per cell.
struct MapHit {
    bool mapKnown = false;    // false: no volume, or no paint has laid out a grid yet
    bool insideArea = false;  // the point lies in the map area
    // The cell under the point, when it is one of the grid's cells (not the
    // partial strip at the right or bottom edge) and starts before N.
    std::optional<CellBlocks> cell;
};

MapHit HitTestMap(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y);

enum class MouseCapture { Keep, Take, Release };

// What a mouse move over the pane does: the pane holds the mouse capture
// while the pointer is over the map area, so that leaving it is noticed.
struct HoverReadout {
    MouseCapture capture = MouseCapture::Keep;
    std::optional<std::wstring> statusText;  // nothing: the status bar keeps its text
};

// The hover read-out for the pointer at (x, y):
// "(x, y)   Blocks=f-l   Clusters=c-d" over a cell, " Ready..." elsewhere.
// Clusters are those of the cell's whole nominal range; "Clusters=?" when
// the cluster size is unknown (0). Nothing changes until a paint has laid out
// a grid for an open volume.
HoverReadout ReadHover(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y);

// What a left click at (x, y) asks the file system about: the cell under
// the point and the volume's geometry. Nothing when the click is not on a
// cell that starts before N.
std::optional<ClusterLookupCell> LookupCellAt(const TrackViewState& view, int clientWidth, int clientHeight, int x, int y);

} // namespace trackkit
