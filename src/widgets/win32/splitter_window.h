#pragma once

#include <windows.h>

namespace trackkit {

// A child window that lays out up to 16 x 16 panes as a grid of columns and
// rows separated by thin bars, and lets the user drag a bar, or the crossing
// of two bars, with the mouse. Splitters nest: a splitter can be a pane of
// another. The owner only creates it, attaches its panes and sizes it; the
// splitter reports nothing back.
inline constexpr wchar_t kSplitterClass[] = L"SplitterClass";

// Creates a splitter of `rows` x `columns` (1 to 16 each) as a visible child
// of `parent`, with position and size 0 and control id 0xFFFFFFFF; it lays
// its panes out at its first WM_SIZE. Registers SplitterClass when needed.
// Null for counts outside 1 to 16, or when the class cannot be registered,
// the record allocated or the window created. The window owns its record and
// the drag shadows it creates, and frees them when it is destroyed.
HWND CreateSplitter(HWND parent, int rows, int columns);

// Places `pane`, which must already be a child window of `splitter`, in the
// cell at `row`, `column` by giving it control id 1000 + column + 16 x row,
// and asks for `width` for that column and `height` for that row (a later
// attach in the same row or column overwrites them; the last column and row
// take the rest regardless). Neither re-parents nor lays out: the next
// WM_SIZE does. False when `splitter` is not a splitter, the cell lies outside
// its grid, the cell already holds a pane, or `pane` is not its child.
bool AttachPane(HWND splitter, int row, int column, int width, int height, HWND pane);

} // namespace trackkit
