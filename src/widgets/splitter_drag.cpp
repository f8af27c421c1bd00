#include "widgets/splitter_drag.h"

#include <algorithm>
#include <cstdint>

namespace trackkit {
namespace {

using Wide = std::int64_t;

bool NamesBarOf(const SplitterGrid& grid, const BarHit& hit)
{
    const bool rowOk = hit.row >= 0 && hit.row <= grid.rowCount - 2;
    const bool columnOk = hit.column >= 0 && hit.column <= grid.columnCount - 2;
    switch (hit.kind) {
    case BarKind::Row:
        return rowOk;
    case BarKind::Column:
        return columnOk;
    case BarKind::Crossing:
        return rowOk && columnOk;
    case BarKind::None:
        break;
    }
    return false;
}

// Below the minimum gives the minimum, else the smaller of the value and the
// maximum. BeginDrag keeps the maximum at or above the minimum.
int Clamp(Wide value, int minimum, int maximum)
{
    if (value < minimum)
        return minimum;
    return static_cast<int>(std::min<Wide>(value, maximum));
}

int RowTop(const SplitterGrid& grid, const Rect& client, int row)
{
    return TrackStart(grid.Rows(), row, client.top, grid.barHeight);
}

int ColumnLeft(const SplitterGrid& grid, const Rect& client, int column)
{
    return TrackStart(grid.Columns(), column, client.left, grid.barWidth);
}

// The horizontal band below a row, and how far its top may travel: from the
// row's own top (the row becomes 0 high) to one bar above the client bottom.
void StartRowBar(const SplitterGrid& grid, const Rect& client, int row, SplitterDrag& drag)
{
    const int top = RowTop(grid, client, row);
    const int barTop = top + grid.rows[row].actual;
    drag.limits.top = top;
    drag.limits.bottom = std::max(top, client.bottom - grid.barHeight);
    drag.shadowA = {client.left, barTop, client.right, barTop + grid.barHeight};
}

// The vertical band right of a column; the same limits across.
Rect StartColumnBar(const SplitterGrid& grid, const Rect& client, int column, SplitterDrag& drag)
{
    const int left = ColumnLeft(grid, client, column);
    const int barLeft = left + grid.columns[column].actual;
    drag.limits.left = left;
    drag.limits.right = std::max(left, client.right - grid.barWidth);
    return {barLeft, client.top, barLeft + grid.barWidth, client.bottom};
}

// Moves a band's edge to `to` and its opposite edge along with it, keeping
// the band's extent. False when the edge is there already.
bool MoveEdgeTo(int& edge, int& opposite, int to)
{
    if (edge == to)
        return false;
    opposite += to - edge;
    edge = to;
    return true;
}

bool MoveTopTo(Rect& band, int top) { return MoveEdgeTo(band.top, band.bottom, top); }

bool MoveLeftTo(Rect& band, int left) { return MoveEdgeTo(band.left, band.right, left); }

} // namespace

std::optional<SplitterDrag> BeginDrag(const SplitterGrid& grid, const Rect& client, int code)
{
    const BarHit hit = DecodeHit(code);
    if (!NamesBarOf(grid, hit))
        return std::nullopt;
    SplitterDrag drag;
    drag.code = code;
    drag.limits = client;
    switch (hit.kind) {
    case BarKind::Row:
        StartRowBar(grid, client, hit.row, drag);
        drag.offset = {0, -(grid.barHeight / 2)};
        break;
    case BarKind::Column:
        drag.shadowA = StartColumnBar(grid, client, hit.column, drag);
        drag.offset = {-(grid.barWidth / 2), 0};
        break;
    case BarKind::Crossing:
        StartRowBar(grid, client, hit.row, drag);
        drag.shadowB = StartColumnBar(grid, client, hit.column, drag);
        drag.hasShadowB = true;
        drag.offset = {-(grid.barWidth / 2), -(grid.barHeight / 2)};
        break;
    case BarKind::None:
        return std::nullopt;
    }
    return drag;
}

ShadowMoves DragTo(SplitterDrag& drag, GridPoint mouse)
{
    const int x = Clamp(Wide{mouse.x} + drag.offset.x, drag.limits.left, drag.limits.right);
    const int y = Clamp(Wide{mouse.y} + drag.offset.y, drag.limits.top, drag.limits.bottom);
    ShadowMoves moves;
    switch (DecodeHit(drag.code).kind) {
    case BarKind::Row:
        moves.movedA = MoveTopTo(drag.shadowA, y);
        break;
    case BarKind::Column:
        moves.movedA = MoveLeftTo(drag.shadowA, x);
        break;
    case BarKind::Crossing:
        moves.movedA = MoveTopTo(drag.shadowA, y);
        moves.movedB = MoveLeftTo(drag.shadowB, x);
        break;
    case BarKind::None:
        break;
    }
    return moves;
}

void ApplyDrop(SplitterGrid& grid, const Rect& client, const SplitterDrag& drag)
{
    const BarHit hit = DecodeHit(drag.code);
    if (!NamesBarOf(grid, hit))
        return;
    // Measured from the track's start rather than through the pane's client
    // coordinates: the two agree for a borderless pane, and a pane with a
    // border would otherwise pull the bar off the shadow by its border width
    // on every drop.
    const bool movesRow = hit.kind == BarKind::Row || hit.kind == BarKind::Crossing;
    const bool movesColumn = hit.kind == BarKind::Column || hit.kind == BarKind::Crossing;
    if (movesRow)
        grid.rows[hit.row].requested = std::max(0, drag.shadowA.top - RowTop(grid, client, hit.row));
    if (movesColumn) {
        const Rect& vertical = hit.kind == BarKind::Crossing ? drag.shadowB : drag.shadowA;
        grid.columns[hit.column].requested = std::max(0, vertical.left - ColumnLeft(grid, client, hit.column));
    }
}

} // namespace trackkit
