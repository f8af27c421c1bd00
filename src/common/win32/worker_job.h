#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "common/win32/unique_handles.h"

namespace trackkit {

// How far long work got: `done` of `total` in the stage it is in (what the
// stage numbers mean is the work's own).
struct JobReport {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    int stage = 0;
};

// What long work sees of its job: how to tell how far it got, and whether
// to go on.
class JobProgress {
public:
    struct State;
    explicit JobProgress(State& state) : state_(state) {}
    // Keeps how far the work got and, when the owner has taken the last
    // report, asks it to look again. False once the job is cancelled.
    bool Report(std::uint64_t done, std::uint64_t total, int stage = 0) const;
    bool Cancelled() const;

private:
    State& state_;
};

// Long work on a worker thread for a window, so that the window keeps
// answering however long the work takes. The work owns what it uses: it
// gets its inputs by value or shared, and leaves its result in something it
// shares with the owner. So the owner never waits on it for more than a
// moment: a job that outlives its window finishes alone and posts nothing.
//
// The owner gets `progressMessage` when the work has reported and the last
// report was taken (TakeProgress), and `doneMessage` once, at the end; both
// with the job's id in wParam, so that what an earlier job says is dropped.
// When no thread can be made, the work runs at once on the caller's.
class WorkerJob {
public:
    using Work = std::function<void(const JobProgress&)>;

    WorkerJob(HWND owner, UINT progressMessage, UINT doneMessage, WPARAM id, Work work);
    // Cancels the work and waits for it a moment; work that a call of the
    // system holds longer is left to finish alone.
    ~WorkerJob();
    WorkerJob(const WorkerJob&) = delete;
    WorkerJob& operator=(const WorkerJob&) = delete;

    WPARAM Id() const { return id_; }
    // The work is told to stop, and the system call it waits in (a read from
    // a share that does not answer) is cancelled.
    void Cancel();
    // True once the work has ended: its result can be read.
    bool Finished() const;
    // Waits up to `milliseconds` for the work to end; Finished() after it.
    bool WaitUntilFinished(DWORD milliseconds) const;
    // What the work reported last; the next report posts again.
    JobReport TakeProgress();

private:
    static DWORD WINAPI Run(void* parameter);

    std::shared_ptr<JobProgress::State> state_;
    UniqueHandle thread_;
    WPARAM id_;
};

} // namespace trackkit
