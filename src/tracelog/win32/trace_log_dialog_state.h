#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "settings/settings.h"
#include "tracelog/trace_index.h"
#include "tracelog/trace_load_status.h"
#include "tracelog/trace_texts.h"
#include "tracelog/win32/trace_export_job.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_loader.h"
#include "tracelog/win32/windows_trace_time_text.h"

namespace trackkit {

// The trace log dialog's record (see RecordDialogProc), made from its
// TraceLogDialogContext.
struct TraceLogDialogState final : FindBarHost {
    static std::unique_ptr<TraceLogDialogState> Create(HWND dialog, LPARAM initParameter);

    // The find bar's requests: the next row any of whose texts holds the
    // text, from the focused row on; Escape in the bar hides it.
    void FindNext(std::wstring_view text, bool matchCase, bool forward) override;
    void CloseFindBar() override;

    HWND dialog = nullptr;
    HWND pathBox = nullptr;
    HWND chooseButton = nullptr;
    HWND deviceFilter = nullptr;
    HWND threadFilter = nullptr;
    HWND table = nullptr;
    HWND statusLine = nullptr;
    HWND flagsPanel = nullptr;
    HWND saveAsButton = nullptr;
    HWND findBar = nullptr;  // hidden until Ctrl+F

    bool dark = false;  // QueryDarkMode, read at start and on every theme change
    bool themeLoaded = false;  // the maker's theme library, which darkens the table
    // The log path the table is loaded from: the opener's remembered path,
    // or ownLogPath when it gave none.
    std::wstring ownLogPath;
    std::wstring* logPath = nullptr;
    // Where the dialog was last closed, restored when it opens; null: not kept.
    AppSettings* placement = nullptr;
    int dpiX = 96;
    int dpiY = 96;
    // Fixed by the template: the table's left edge (the margin) and top, and
    // the right edge of the controls above the table, in client pixels.
    int margin = 0;
    int tableTop = 0;
    int topControlsRight = 0;

    // What the table lists; null while nothing is loaded.
    std::unique_ptr<LoadedTraceLog> log;
    // What the status line says when no load is running.
    TraceStatus status;
    // The column the rows are sorted by; none: time order.
    std::optional<TraceColumn> sortColumn;
    bool sortDescending = false;
    // The Flags of the selected row, shown by the flags panel; 0 with none.
    std::uint32_t selectedFlags = 0;

    // The texts of the record the table asked for last: it asks for the
    // nine columns of a row one after another.
    std::optional<std::uint32_t> textsRecord;
    TraceColumnTexts texts;
    WindowsTraceTimeText timeText;

    // The load under way, if any, and whether it keeps the filters' texts.
    std::unique_ptr<TraceLogLoader> loader;
    bool loadKeepsFilters = false;
    unsigned lastLoadId = 0;
    // The "Save As..." under way, if any. It reads the loaded log, so it is
    // declared after it and ends first.
    std::unique_ptr<TraceExportJob> exportJob;
};

} // namespace trackkit
