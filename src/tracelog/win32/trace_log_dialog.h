#pragma once

#include <windows.h>

#include <cstdint>

namespace trackkit {

// Opens the modal "CBT Trace Log" dialog owned by `owner` and returns when
// the user closes it.
void ShowTraceLogDialog(HWND owner);

// The dialog's procedure, for opening the dialog without a modal loop of its
// own (CreateDialogParamW on IDD_TRACE_LOG with parameter 0), as the tests
// and the timing program do.
INT_PTR CALLBACK TraceLogDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Reloads the log path into an open trace log dialog with the current
// filters: 0, or the Windows error that left the table empty.
std::uint32_t LoadTraceLog(HWND dialog);

} // namespace trackkit
