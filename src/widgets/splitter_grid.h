#pragma once

#include <array>
#include <span>

#include "common/rect.h"

namespace trackkit {

// A splitter lays its panes out as a grid of columns and rows separated by
// thin bars. Everything here is geometry in client coordinates; the window
// only moves the panes to the rectangles computed here.

inline constexpr int kMaxSplitterTracks = 16;
// The last track's actual size: whatever space is left.
inline constexpr int kRestOfSpace = 0x7FFFFFFF;
inline constexpr int kFirstPaneId = 1000;

struct GridPoint {
    int x = 0;
    int y = 0;
};

// One column or one row.
struct Track {
    int requested = 0;  // what the user or the owner asked for; survives resizes
    int actual = 0;     // what the last fitting gave
};

struct SplitterGrid {
    int rowCount = 1;
    int columnCount = 1;
    int barWidth = 4;   // of the vertical bars between columns
    int barHeight = 4;  // of the horizontal bars between rows
    std::array<Track, kMaxSplitterTracks> columns{};
    std::array<Track, kMaxSplitterTracks> rows{};

    std::span<Track> Columns() { return {columns.data(), static_cast<std::size_t>(columnCount)}; }
    std::span<Track> Rows() { return {rows.data(), static_cast<std::size_t>(rowCount)}; }
    std::span<const Track> Columns() const { return {columns.data(), static_cast<std::size_t>(columnCount)}; }
    std::span<const Track> Rows() const { return {rows.data(), static_cast<std::size_t>(rowCount)}; }
};

// Row and column counts a splitter accepts: 1 to 16. The pane ids and the hit
// codes have room for no more.
bool IsValidTrackCount(int count);

// The control id of the pane in a cell: 1000 + column + 16 x row.
int PaneId(int row, int column);

struct BarSizes {
    int width = 4;
    int height = 4;
};

// Bars are 4 pixels at 96 DPI, scaled to the screen's DPI per axis. A DPI
// that could not be measured (0 or less) is taken as 96, so that the bars
// never vanish.
BarSizes BarSizesForDpi(int dpiX, int dpiY);

// Fits the tracks into a length: every track but the last keeps its requested
// size (negative taken as 0) while space lasts, the track that meets the far
// edge is cut so that it and its bar end there, the tracks after it get 0 and
// the last track gets kRestOfSpace. Requested sizes are left alone, so a
// later, larger length restores them.
void FitTracks(std::span<Track> tracks, int length, int bar);

// Fits the columns against the client width and the rows against its height.
void FitGrid(SplitterGrid& grid, const Rect& client);

// Where track `index` starts: the origin plus the actual sizes and bars of
// the tracks before it.
int TrackStart(std::span<const Track> tracks, int index, int origin, int bar);

// The rectangle of the pane in a cell of the grid (row below rowCount,
// column below columnCount) after fitting. A pane past the client edge gets
// size 0 rather than a negative one.
Rect PaneRect(const SplitterGrid& grid, const Rect& client, int row, int column);

// Hit codes: what lies under a point.
enum class BarKind { None, Row, Column, Crossing };

struct BarHit {
    BarKind kind = BarKind::None;
    int row = 0;     // the horizontal bar below this row (Row, Crossing)
    int column = 0;  // the vertical bar right of this column (Column, Crossing)
};

inline constexpr int kNoBar = 0;

// 0: no bar; 101 + r: the bar below row r; 201 + c: the bar right of column
// c; 301 + 15 x r + c: their crossing.
int EncodeHit(const BarHit& hit);
// Any code outside those ranges decodes as no bar.
BarHit DecodeHit(int code);

int HitTest(const SplitterGrid& grid, const Rect& client, GridPoint point);

enum class SplitterCursor { Arrow, SizeNorthSouth, SizeWestEast, SizeAll };

SplitterCursor CursorForHit(int code);

} // namespace trackkit
