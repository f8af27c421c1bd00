#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "tracelog/win32/trace_log_export.h"

namespace trackkit {

// Posted to the owner by an export: progress gives in wParam how many rows
// are written; done comes once, when the outcome is ready.
inline constexpr UINT kTraceExportProgressMessage = WM_APP + 3;
inline constexpr UINT kTraceExportDoneMessage = WM_APP + 4;

// One CSV export on a worker thread, so that the dialog and the windows
// behind it keep answering while millions of rows are written. The job has
// its own copy of the rows and of the time texts; the index must outlive it.
// Going away cancels the export (the target stays as it was) and waits.
class TraceExportJob {
public:
    TraceExportJob(HWND owner, std::wstring path, const TraceLogIndex& index, TraceRows rows,
                   std::vector<TraceColumn> columns);
    ~TraceExportJob();
    TraceExportJob(const TraceExportJob&) = delete;
    TraceExportJob& operator=(const TraceExportJob&) = delete;

    const std::wstring& Path() const { return path_; }
    std::size_t Total() const { return rows_.size(); }
    // Once kTraceExportDoneMessage has come.
    CsvFileOutcome TakeOutcome();

private:
    void Run();

    HWND owner_;
    std::wstring path_;
    const TraceLogIndex& index_;
    TraceRows rows_;
    std::vector<TraceColumn> columns_;
    std::atomic<bool> cancelled_{false};
    CsvFileOutcome outcome_;
    std::thread thread_;  // last: started once everything it uses exists
};

} // namespace trackkit
