#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "settings/settings.h"

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
    // The program's settings: the dialog opens where it was closed (when
    // that is on a screen) and stores its rectangle there when it closes.
    // Null: the system places it and nothing is stored.
    AppSettings* settings = nullptr;
    // The opening takes the driver's DebugLogPath when it is usable; without
    // it the dialog shows the remembered path (for a program that names the
    // log itself, whatever the machine has registered).
    bool readRegisteredPath = true;
};

// Opens the modal "CBT Trace Log" dialog owned by `owner` and returns when
// the user closes it: true, or false when it could not be shown.
bool ShowTraceLogDialog(HWND owner, TraceLogDialogContext& context);

// The dialog's procedure, for opening the dialog without a modal loop of its
// own (CreateDialogParamW on IDD_TRACE_LOG), as the tests and the timing
// program do. The parameter is a TraceLogDialogContext*; its remembered path
// and settings must outlive the dialog. Null is taken as a context with no
// theme, no remembered path and no settings.
extern const DLGPROC TraceLogDialogProc;

// True while the dialog's worker is busy for it (a load, rows being made, a
// search, a copy or a "Save As..."): the result comes as a message.
bool IsTraceLogBusy(HWND dialog);

// The flag word the flags panel shows: the Flags of the row selected most
// recently, 0 before any row was.
std::uint32_t TraceLogPanelFlags(HWND dialog);

} // namespace trackkit
