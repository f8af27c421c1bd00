#pragma once

#include <optional>

#include "widgets/splitter_grid.h"

namespace trackkit {

// A bar being dragged. The panes stay where they are until the drop; the
// shadows show where the dragged bar (or both bars of a crossing) will land.
struct SplitterDrag {
    int code = kNoBar;  // the hit code that started the drag
    // Where the dragged bar's top-left corner may go: {MinX, MinY, MaxX, MaxY}.
    Rect limits;
    // Added to the mouse position to give the bar's top-left corner, so that
    // the mouse holds the bar by its middle.
    GridPoint offset;
    Rect shadowA;  // the dragged bar; for a crossing, the horizontal one
    bool hasShadowB = false;
    Rect shadowB;  // for a crossing, the vertical bar
};

// Starts a drag of the bar named by a hit code, against the fitted grid.
// Nothing when the code names no bar of this grid.
std::optional<SplitterDrag> BeginDrag(const SplitterGrid& grid, const Rect& client, int code);

struct ShadowMoves {
    bool movedA = false;
    bool movedB = false;

    bool Any() const { return movedA || movedB; }
};

// Follows the mouse: the bar's corner is the mouse plus the offset, clamped
// to the limits. A row bar moves only vertically, a column bar only
// horizontally; of a crossing, shadow A moves vertically and shadow B
// horizontally. Says which shadows moved.
ShadowMoves DragTo(SplitterDrag& drag, GridPoint mouse);

// The drop: the track before each dragged bar is asked for the distance from
// its start to where its bar's shadow lies; the tracks after it keep their
// requested sizes and move. Fit and place the panes afterwards.
void ApplyDrop(SplitterGrid& grid, const Rect& client, const SplitterDrag& drag);

} // namespace trackkit
