#include "changes/win32/changed_files_job.h"

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

namespace trackkit {
namespace {

// How long closing the window waits for a run to give up, and how often it
// cancels the request in flight meanwhile (one may start just after a cancel).
constexpr DWORD kStopWaitMs = 2000;
constexpr DWORD kCancelEveryMs = 50;

} // namespace

struct ChangedFilesJob::Shared {
    std::unique_ptr<TrackedVolume> volume;
    ChangedFilesGeometry geometry;
    std::vector<std::uint8_t> bitmap;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> progressPending{false};
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::mutex mutex;
    HWND owner = nullptr;  // null once the owner has stopped listening
    ChangedFilesReport report;

    void Post(UINT message)
    {
        const std::lock_guard lock(mutex);
        if (owner != nullptr)
            PostMessageW(owner, message, 0, 0);
    }
};

ChangedFilesJob::ChangedFilesJob(HWND owner, std::unique_ptr<TrackedVolume> volume, const ChangedFilesGeometry& geometry,
                                 std::vector<std::uint8_t> bitmap)
    : shared_(std::make_shared<Shared>())
{
    shared_->volume = std::move(volume);
    shared_->geometry = geometry;
    shared_->bitmap = std::move(bitmap);
    shared_->owner = owner;
    auto parameter = std::make_unique<std::shared_ptr<Shared>>(shared_);
    thread_.Reset(CreateThread(nullptr, 0, Run, parameter.get(), 0, nullptr));
    if (thread_.Get() != nullptr)
        parameter.release();  // the thread owns it now
}

ChangedFilesJob::~ChangedFilesJob()
{
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->owner = nullptr;
    }
    if (!Started())
        return;
    for (DWORD waited = 0; waited < kStopWaitMs; waited += kCancelEveryMs) {
        Cancel();
        if (WaitForSingleObject(thread_.Get(), kCancelEveryMs) == WAIT_OBJECT_0)
            return;
    }
}

void ChangedFilesJob::Cancel()
{
    shared_->cancelled = true;
    if (Started())
        CancelSynchronousIo(thread_.Get());
}

std::uint64_t ChangedFilesJob::BlocksDone() const { return shared_->done; }
std::uint64_t ChangedFilesJob::BlocksTotal() const { return shared_->total; }
void ChangedFilesJob::ProgressShown() { shared_->progressPending = false; }

ChangedFilesReport ChangedFilesJob::TakeReport()
{
    const std::lock_guard lock(shared_->mutex);
    return std::move(shared_->report);
}

DWORD WINAPI ChangedFilesJob::Run(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<Shared>> owned(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **owned;
    ChangedFilesReport report;
    try {
        report = FindChangedFiles(*shared.volume, shared.geometry, shared.bitmap,
                                  [&](std::uint64_t done, std::uint64_t total) {
                                      shared.done = done;
                                      shared.total = total;
                                      if (!shared.progressPending.exchange(true))
                                          shared.Post(kChangedFilesProgressMessage);
                                      return !shared.cancelled;
                                  });
    } catch (const std::bad_alloc&) {
        report.end = ChangedFilesEnd::Stopped;
        report.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    // A request cancelled in flight fails; that is the user's cancel too.
    if (shared.cancelled && report.error == ERROR_OPERATION_ABORTED)
        report.end = ChangedFilesEnd::Cancelled;
    {
        const std::lock_guard lock(shared.mutex);
        shared.report = std::move(report);
    }
    shared.Post(kChangedFilesDoneMessage);
    return 0;
}

} // namespace trackkit
