#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tracelog/trace_index.h"
#include "tracelog/trace_load_status.h"
#include "tracelog/win32/trace_log_mapping.h"

namespace trackkit {

// A loaded trace log: the mapped file, the index over its records and the
// rows the table lists. The index reads the file's bytes in place, so the
// three live and go together.
struct LoadedTraceLog {
    TraceLogFile file;
    TraceLogIndex index;
    TraceRows rows;
};

// What a load gave: the log (none when it failed or was cancelled) and what
// the status line says of it.
struct TraceLoadResult {
    std::unique_ptr<LoadedTraceLog> log;
    TraceStatus status;
};

// Maps and indexes the log at path on the calling thread. counted is told the
// number of records once it is known, progress how far the index got; the
// rows are left empty for the caller, who knows the filters.
TraceLoadResult LoadTraceLogFile(std::wstring_view path, const std::function<void(std::size_t)>& counted,
                                 const TraceProgress& progress);

// The system's text for a Windows error or a reported NTSTATUS (bit 28 set),
// without its line break.
std::wstring SystemErrorText(std::uint32_t error);

// Posted to the dialog by a load: wParam is the load's id; progress gives in
// lParam how many records are indexed.
inline constexpr UINT kTraceLoadProgressMessage = WM_APP + 1;
inline constexpr UINT kTraceLoadDoneMessage = WM_APP + 2;

// One load of the log on a worker thread, from the opening to the index.
// Going away cancels the load and waits for the thread, which stops within
// a step of the index's progress.
class TraceLogLoader {
public:
    // Loads at most this many records while the dialog waits: the table
    // shows them at once, without a progress line.
    static constexpr std::size_t kInstantRecords = 100000;

    TraceLogLoader(HWND dialog, std::wstring path, unsigned id);
    ~TraceLogLoader();
    TraceLogLoader(const TraceLogLoader&) = delete;
    TraceLogLoader& operator=(const TraceLogLoader&) = delete;

    unsigned Id() const { return id_; }
    std::size_t Total() const { return total_; }
    // Waits until the load is done or found to hold more than kInstantRecords
    // records; true when done.
    bool WaitUntilDoneOrLong();
    // The result, once done (after kTraceLoadDoneMessage or a true wait).
    TraceLoadResult TakeResult();

private:
    void Run();
    void Decide(bool done);

    HWND dialog_;
    std::wstring path_;
    unsigned id_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> total_{0};
    std::mutex mutex_;
    std::condition_variable decided_;
    bool isDecided_ = false;
    bool done_ = false;
    TraceLoadResult result_;
    std::thread thread_;  // last: started once everything it uses exists
};

} // namespace trackkit
