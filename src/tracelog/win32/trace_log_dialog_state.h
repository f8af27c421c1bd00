#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/win32/csv_file.h"
#include "common/win32/locale_text.h"
#include "common/win32/worker_job.h"
#include "settings/settings.h"
#include "tracelog/trace_filter.h"
#include "tracelog/trace_index.h"
#include "tracelog/trace_load_status.h"
#include "tracelog/trace_texts.h"
#include "tracelog/win32/trace_find_bar.h"
#include "tracelog/win32/trace_log_loader.h"
#include "tracelog/win32/windows_trace_time_text.h"

namespace trackkit {

// Work the dialog hands its worker, besides a "Save As...": at most one at a
// time, the newest replacing the one before.
enum class TraceTask : std::uint8_t { None, Load, Rows, Find, Copy };

// What a task leaves for the dialog. The worker writes it; the dialog reads
// it once the task has finished, and never while it runs.
struct TraceTaskOutcome {
    TraceLoadResult load;
    SharedTraceRows rows;
    std::optional<std::size_t> found;
    std::optional<std::wstring> copied;
};

// The filters and the column order that rows are made with.
struct TraceRowsChoice {
    TraceFilters filters;
    std::optional<TraceColumn> column;  // none: time order
    bool descending = false;
};

// The trace log dialog's record (see RecordDialogProc), made from its
// TraceLogDialogContext.
struct TraceLogDialogState final : FindBarHost {
    static std::unique_ptr<TraceLogDialogState> Create(HWND dialog, LPARAM initParameter);

    // The find bar's requests: the next row any of whose texts holds the
    // text, from the focused row on; Escape in the bar stops a search, or
    // hides the bar; the keys the dialog answers wherever the focus is.
    void FindNext(std::wstring_view text, bool matchCase, bool forward) override;
    void CloseFindBar() override;
    bool PressDialogKey(WPARAM key) override;

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
    // Whether the opening takes the driver's DebugLogPath.
    bool readRegisteredPath = true;
    // Where the dialog was last closed, restored when it opens; null: not kept.
    AppSettings* placement = nullptr;
    int dpiX = 96;
    int dpiY = 96;
    // Fixed by the template: the table's left edge (the margin) and top, and
    // the right edge of the controls above the table, in client pixels.
    int margin = 0;
    int tableTop = 0;
    int topControlsRight = 0;

    // What the table lists: the loaded log (null while none is) and its rows,
    // made with `shown`; the header's arrow and the filter lists show what is
    // asked for, which a task may be making.
    std::shared_ptr<const LoadedTraceLog> log;
    SharedTraceRows rows;
    TraceRowsChoice shown;
    std::optional<TraceColumn> sortColumn;
    bool sortDescending = false;
    // What the status line says when nothing runs.
    TraceStatus status;
    // The Flags of the row selected most recently, shown by the flags panel;
    // 0 before any row was selected. Loads, filters and sorts keep it.
    std::uint32_t selectedFlags = 0;

    // The texts of the record the table asked for last: it asks for the
    // nine columns of a row one after another.
    std::optional<std::uint32_t> textsRecord;
    TraceColumnTexts texts;
    WindowsTraceTimeText timeText;
    WindowsLocaleText locale;

    // The task under way, if any: its kind, what it leaves, and for rows
    // what it makes them with.
    std::unique_ptr<WorkerJob> task;
    TraceTask taskKind = TraceTask::None;
    std::shared_ptr<TraceTaskOutcome> taskOutcome;
    TraceRowsChoice taskChoice;
    // The "Save As..." under way, if any.
    std::unique_ptr<WorkerJob> saving;
    std::shared_ptr<CsvFileOutcome> savingOutcome;
    std::wstring savingPath;
    std::size_t savingRows = 0;
    WPARAM lastJobId = 0;
};

} // namespace trackkit
