#pragma once

#include "common/rect.h"

namespace trackkit {

// Where the "Changed Files" window's controls go for a client size: the
// summary line on top, the table filling the middle, the status line under
// it, and a bottom row with the progress bar on the left and "Save As..."
// and "Cancel" on the right. Sizes in pixels, from the dialog's own units.
struct ChangedFilesMetrics {
    int margin = 11;
    int gap = 6;
    int lineHeight = 13;
    int statusHeight = 26;  // two lines
    int buttonWidth = 75;
    int buttonHeight = 23;
};

struct ChangedFilesLayout {
    Rect summary;
    Rect table;
    Rect status;
    Rect progress;
    Rect saveAs;
    Rect cancel;
};

// Nothing is given a negative size, however small the client area.
ChangedFilesLayout LayOutChangedFiles(int clientWidth, int clientHeight, const ChangedFilesMetrics& metrics);

// The Path column takes what the table's client area leaves beside the
// other columns, so that Share shows without scrolling; never less than
// `minimum`.
int PathColumnWidth(int tableClientWidth, int otherColumnsWidth, int minimum);

} // namespace trackkit
