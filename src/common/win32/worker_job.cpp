#include "common/win32/worker_job.h"

#include <atomic>
#include <mutex>

namespace trackkit {
namespace {

// How long a job that goes away waits for its work to stop, cancelling the
// call in flight every few milliseconds (another may start after a cancel).
constexpr DWORD kStopWaitMs = 100;
constexpr DWORD kCancelEveryMs = 10;

} // namespace

struct JobProgress::State {
    WorkerJob::Work work;
    UINT progressMessage = 0;
    UINT doneMessage = 0;
    WPARAM id = 0;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> progressPending{false};
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::atomic<int> stage{0};
    std::mutex mutex;
    HWND owner = nullptr;  // null once the owner has stopped listening

    void Post(UINT message)
    {
        const std::lock_guard lock(mutex);
        if (owner != nullptr)
            PostMessageW(owner, message, id, 0);
    }
};

bool JobProgress::Report(std::uint64_t done, std::uint64_t total, int stage) const
{
    state_.done = done;
    state_.total = total;
    state_.stage = stage;
    if (!state_.progressPending.exchange(true))
        state_.Post(state_.progressMessage);
    return !state_.cancelled;
}

bool JobProgress::Cancelled() const { return state_.cancelled; }

WorkerJob::WorkerJob(HWND owner, UINT progressMessage, UINT doneMessage, WPARAM id, Work work)
    : state_(std::make_shared<JobProgress::State>()), id_(id)
{
    state_->work = std::move(work);
    state_->progressMessage = progressMessage;
    state_->doneMessage = doneMessage;
    state_->id = id;
    state_->owner = owner;
    // Run owns its parameter, on the new thread or, without one, here.
    auto* parameter = std::make_unique<std::shared_ptr<JobProgress::State>>(state_).release();
    thread_.Reset(CreateThread(nullptr, 0, Run, parameter, 0, nullptr));
    if (!thread_.Valid())
        Run(parameter);
}

WorkerJob::~WorkerJob()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
    }
    for (DWORD waited = 0; thread_.Valid() && waited < kStopWaitMs; waited += kCancelEveryMs) {
        Cancel();
        if (WaitForSingleObject(thread_.Get(), kCancelEveryMs) == WAIT_OBJECT_0)
            return;
    }
}

void WorkerJob::Cancel()
{
    state_->cancelled = true;
    if (thread_.Valid())
        CancelSynchronousIo(thread_.Get());
}

bool WorkerJob::Finished() const { return state_->finished; }

bool WorkerJob::WaitUntilFinished(DWORD milliseconds) const
{
    if (thread_.Valid() && !Finished())
        WaitForSingleObject(thread_.Get(), milliseconds);
    return Finished();
}

JobReport WorkerJob::TakeProgress()
{
    state_->progressPending = false;
    return {state_->done, state_->total, state_->stage};
}

DWORD WINAPI WorkerJob::Run(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<JobProgress::State>> owned(
        static_cast<std::shared_ptr<JobProgress::State>*>(parameter));
    JobProgress::State& state = **owned;
    try {
        state.work(JobProgress(state));
    } catch (...) {
        // The work keeps its result sound itself; nothing may leave a thread.
    }
    state.finished = true;
    state.Post(state.doneMessage);
    return 0;
}

} // namespace trackkit
