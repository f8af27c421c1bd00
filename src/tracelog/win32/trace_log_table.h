#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>

#include "tracelog/win32/trace_log_dialog_state.h"

namespace trackkit {

// Sets the table's extended styles and inserts its nine columns, their
// widths scaled to the screen's horizontal resolution.
void PrepareTraceTable(const TraceLogDialogState& state);

// Empties a filter list and what it is known to hold, then adds "*" and
// selects it.
void ResetFilterList(HWND list, FilterChoices& choices);

// Empties the table and the store and lists every record of the file at the
// log path that passes the filters, in time order; the filter lists gain the
// texts they do not hold yet. The table does not redraw meanwhile. Returns 0
// or the Windows error that left the table empty.
std::uint32_t LoadTraceTable(TraceLogDialogState& state);

// The answer to the table's NM_CUSTOMDRAW: row colours by the entry's flags.
LRESULT AnswerTableCustomDraw(const TraceLogDialogState& state, NMLVCUSTOMDRAW& draw);

// LVN_GETDISPINFOW: the DeviceName text, rebuilt from the row's entry.
void SupplyDeviceName(TraceLogDialogState& state, NMLVDISPINFOW& info);

} // namespace trackkit
