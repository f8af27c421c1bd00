#pragma once

#include <cstddef>

#include "common/rect.h"

namespace trackkit {

// The flags panel is 200 pixels tall at 96 DPI, scaled with the dialog's
// vertical DPI like every other length of it.
inline constexpr int kFlagsPanelHeight = 200;
// The status line under the table: one line of the dialog's font.
inline constexpr int kStatusLineHeight = 16;
// The smallest table the dialog can be sized down to, in pixels at 96 DPI:
// its header and a few rows.
inline constexpr int kMinimumTableHeight = 80;

// Where the table, the status line and the flags panel go in a client area
// of the given size at the given vertical DPI. The margin is the table's
// left edge and the gap between the three; the panel sits at the bottom, the
// status line above it, and the table keeps its left and top and takes what
// they leave. No size is negative.
struct TraceDialogLayout {
    Rect table;
    Rect status;
    Rect panel;
};

TraceDialogLayout LayoutTraceDialog(int margin, int tableTop, int clientWidth, int clientHeight, int dpiY);

// The table's top row that puts `row` in the middle of a page of
// rowsPerPage rows, as near as the ends of the table allow.
std::size_t CenteredTopRow(std::size_t row, std::size_t rowsPerPage, std::size_t rowCount);

struct ClientSize {
    int width = 0;
    int height = 0;
};

// The smallest client area the user can size the dialog to: wide enough for
// the controls above the table (whose right edge is topControlsRight), tall
// enough for the panel, the status line and a table of kMinimumTableHeight.
ClientSize MinimumTraceDialogClient(int margin, int tableTop, int topControlsRight, int dpiY);

} // namespace trackkit
