#pragma once

#include <windows.h>

#include "tracelog/win32/trace_log_dialog_state.h"

namespace trackkit {

// The trace log dialog's commands beyond loading and filtering: find, copy
// and "Save As...".

// Makes the find bar, hidden, and places it beside the filter lists.
void CreateTraceFindBar(TraceLogDialogState& state);

// Ctrl+F: shows the find bar with its text selected.
void OpenFindBar(TraceLogDialogState& state);

// F3 and Shift+F3: the bar's text again, from the focused row on; with no
// text yet, the bar opens.
void FindAgain(TraceLogDialogState& state, bool forward);

// "Save As...": the listed rows, filters applied and in their shown order,
// to a CSV file the user names, written on a worker thread.
void SaveListedRows(TraceLogDialogState& state);

} // namespace trackkit
