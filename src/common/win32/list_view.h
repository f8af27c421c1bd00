#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string_view>

namespace trackkit {

// The program's list views are all report lists filled row by row: these
// are their columns, rows and cells.

// Adds column `index` (its sub-item is the same index), `width` pixels wide.
// `format` is an LVCFMT_* alignment.
void InsertListColumn(HWND list, int index, std::wstring_view title, int width, int format = LVCFMT_LEFT);

// Inserts a row at `position` (past the end appends) whose first column reads
// `text`, with an item parameter when one is given. The row's index, or -1
// when the list refused it.
int InsertListRow(HWND list, int position, std::wstring_view text, std::optional<LPARAM> parameter = std::nullopt);

// Sets the text of one cell; column 0 is the row's own text.
void SetListCellText(HWND list, int row, int column, std::wstring_view text);

// The same two for a list filled with many rows from the caller's own
// terminated buffers, handed to the list as they are, without a copy each.
// LPSTR_TEXTCALLBACKW makes the list ask its owner for the text whenever it
// needs it (LVN_GETDISPINFOW).
int InsertListRow(HWND list, int position, wchar_t* text, std::optional<LPARAM> parameter = std::nullopt);
void SetListCellText(HWND list, int row, int column, wchar_t* text);

// The header's sort arrow: up (ascending) or down (descending) on `column`,
// none on every other column; none at all without a column.
void MarkSortedColumn(HWND list, std::optional<int> column, bool descending);

} // namespace trackkit
