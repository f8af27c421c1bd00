#pragma once

#include <windows.h>

#include <commctrl.h>

#include "tracelog/win32/trace_log_dialog_state.h"

namespace trackkit {

// Sets the table's extended styles and inserts its nine columns, their
// widths scaled to the screen's horizontal resolution.
void PrepareTraceTable(const TraceLogDialogState& state);

// Fills the two filter lists from the loaded log: "*" first, then its texts
// in their order. With keepSelection a list keeps its selected text when the
// log still offers it; otherwise, and without a log, "*" is selected.
void FillFilterLists(const TraceLogDialogState& state, bool keepSelection);

// Rebuilds the rows from the loaded log by the filters' selected texts, in
// time order, then in the chosen column's order; hands the table their
// count, clears the selection and updates the status line.
void ShowRows(TraceLogDialogState& state);

// A click on a column header: sorts by that column, or the other way round
// when it is the sorted column already, and marks its header with the arrow.
void SortByColumn(TraceLogDialogState& state, int column);

// Writes TraceStatusLine(state.status), with the table's row count, into the
// status line.
void ShowStatus(TraceLogDialogState& state);

// LVN_GETDISPINFOW: the text of one cell of a row.
void SupplyCellText(TraceLogDialogState& state, NMLVDISPINFOW& info);

// The answer to the table's NM_CUSTOMDRAW: row colours by the record's flags.
LRESULT AnswerTableCustomDraw(const TraceLogDialogState& state, NMLVCUSTOMDRAW& draw);

// The flags of the first selected row, 0 when none is selected.
std::uint32_t SelectedRowFlags(const TraceLogDialogState& state);

} // namespace trackkit
