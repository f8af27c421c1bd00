#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <vector>

#include "tracelog/win32/trace_log_dialog_state.h"

namespace trackkit {

// Sets the table's extended styles and inserts its nine columns, their
// widths scaled to the screen's horizontal resolution.
void PrepareTraceTable(const TraceLogDialogState& state);

// Fills the two filter lists from the loaded log: "*" first, selected, then
// its texts in their order; without a log "*" alone.
void FillFilterLists(const TraceLogDialogState& state);

// The filter lists' selected texts.
TraceFilters SelectedFilters(const TraceLogDialogState& state);
// Selects these texts in the filter lists ("*" for a text a list lacks).
void SelectFilterTexts(const TraceLogDialogState& state, const TraceFilters& filters);

// Hands the table the shown rows (none without a log), drops its selection
// and updates the status line.
void ShowRows(TraceLogDialogState& state);

// The sort arrow on the header of the column the rows are asked in.
void MarkSortedHeader(const TraceLogDialogState& state);

// Writes TraceStatusLine(state.status), with the table's row count, into the
// status line.
void ShowStatus(TraceLogDialogState& state);

// LVN_GETDISPINFOW: the text of one cell of a row.
void SupplyCellText(TraceLogDialogState& state, NMLVDISPINFOW& info);

// The answer to the table's NM_CUSTOMDRAW: row colours by the record's flags,
// and selected rows in the system's highlight colours whether or not the
// table has the focus.
LRESULT AnswerTableCustomDraw(const TraceLogDialogState& state, NMLVCUSTOMDRAW& draw);

// LVN_ITEMCHANGED and LVN_ODSTATECHANGED: the flags panel shows the flags of
// the row that became selected last; losing a selection changes nothing.
void OnRowChanged(TraceLogDialogState& state, const NMLISTVIEW& change);
void OnRowRangeChanged(TraceLogDialogState& state, const NMLVODSTATECHANGE& change);

// The found row becomes the one selected, focused row, in the middle of the table.
void SelectOnlyRow(const TraceLogDialogState& state, std::size_t row);
// Ctrl+A.
void SelectAllRows(const TraceLogDialogState& state);
// Shift with a click or a moving key selects a range of rows as fast
// whatever its size.
void WatchRangeSelection(HWND table);

// The columns in the order the user sees them (headers can be dragged).
std::vector<TraceColumn> ShownColumns(HWND table);

} // namespace trackkit
