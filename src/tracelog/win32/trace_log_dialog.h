#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace trackkit {

// What the trace log dialog is opened with, given as its init parameter.
struct TraceLogDialogContext {
    // The maker's theme library is loaded: it darkens the table's rows.
    bool themeLoaded = false;
    // The log path, at most 259 characters, kept by the opener across
    // openings: set from the registry when the dialog opens and by the
    // user's choice of a file. Null: the dialog keeps one of its own,
    // empty at start.
    std::wstring* rememberedPath = nullptr;
};

// Opens the modal "CBT Trace Log" dialog owned by `owner` and returns when
// the user closes it.
void ShowTraceLogDialog(HWND owner, TraceLogDialogContext& context);

// The dialog's procedure, for opening the dialog without a modal loop of its
// own (CreateDialogParamW on IDD_TRACE_LOG), as the tests and the timing
// program do. The parameter is a TraceLogDialogContext*, which need live
// only until the call returns; null is taken as a context with no theme and
// no remembered path.
extern const DLGPROC TraceLogDialogProc;

// Reloads the log path into an open trace log dialog with the current
// filters: 0, or the Windows error that left the table empty.
std::uint32_t LoadTraceLog(HWND dialog);

} // namespace trackkit
