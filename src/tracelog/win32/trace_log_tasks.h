#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "tracelog/win32/trace_log_dialog_state.h"

namespace trackkit {

// The trace log dialog's long work, done on a worker so that the dialog and
// the windows behind it keep answering: the dialog shows the work's progress
// and takes the result when the worker posts it.

// Posted by the worker, with the job's id in wParam.
inline constexpr UINT kTraceTaskProgressMessage = WM_APP + 1;
inline constexpr UINT kTraceTaskDoneMessage = WM_APP + 2;
inline constexpr UINT kTraceSavingProgressMessage = WM_APP + 3;
inline constexpr UINT kTraceSavingDoneMessage = WM_APP + 4;

// Reads the log path afresh: both filter lists go back to "*", the table
// empties, and the file is read and indexed on the worker.
void StartLoad(TraceLogDialogState& state);

// Makes the rows again for the filter lists' selected texts and the chosen
// column order. While a load runs, its end makes them.
void StartRows(TraceLogDialogState& state);

// Looks for the next row holding the text from the focused row on.
void StartFind(TraceLogDialogState& state, std::wstring_view text, bool matchCase, bool forward);

// Ctrl+C: the selected rows as tab-separated text on the clipboard; many
// rows are gathered on the worker.
void StartCopy(TraceLogDialogState& state);

// "Save As...": the listed rows, in their order and the columns' shown
// order, to a CSV file at path.
void StartSaving(TraceLogDialogState& state, const std::wstring& path);

void OnTaskProgress(TraceLogDialogState& state, WPARAM id);
void OnTaskDone(TraceLogDialogState& state, WPARAM id);
void OnSavingProgress(TraceLogDialogState& state, WPARAM id);
void OnSavingDone(TraceLogDialogState& state, WPARAM id);

// Escape: the running task stops (rows being made go back to what the table
// shows), or else a running "Save As..." does; false when nothing ran.
bool StopWork(TraceLogDialogState& state);

// The dialog goes away: everything running is dropped, without a wait.
void DropWork(TraceLogDialogState& state);

} // namespace trackkit
