#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "changes/changed_files.h"
#include "common/win32/unique_handles.h"

namespace trackkit {

// Posted to the owner by a run: progress whenever it has moved on and the
// owner has shown the last one (ProgressShown), done once at the end.
inline constexpr UINT kChangedFilesProgressMessage = WM_APP + 5;
inline constexpr UINT kChangedFilesDoneMessage = WM_APP + 6;

// One FindChangedFiles on a worker thread, with a volume handle of its own,
// so that the window's thread keeps polling and painting however long the
// file system takes.
class ChangedFilesJob {
public:
    ChangedFilesJob(HWND owner, std::unique_ptr<TrackedVolume> volume, const ChangedFilesGeometry& geometry,
                    std::vector<std::uint8_t> bitmap);
    // Cancels the run and waits for it a moment. A file system that does not
    // give back a request even when told to is left to finish on its own:
    // the thread then owns what it uses and posts nothing more.
    ~ChangedFilesJob();
    ChangedFilesJob(const ChangedFilesJob&) = delete;
    ChangedFilesJob& operator=(const ChangedFilesJob&) = delete;

    bool Started() const { return thread_.Get() != nullptr; }
    // Stops the run after the request in flight, which is cancelled too.
    void Cancel();
    std::uint64_t BlocksDone() const;
    std::uint64_t BlocksTotal() const;
    void ProgressShown();
    // Once kChangedFilesDoneMessage has come.
    ChangedFilesReport TakeReport();

private:
    struct Shared;
    static DWORD WINAPI Run(void* parameter);

    std::shared_ptr<Shared> shared_;
    UniqueHandle thread_;
};

} // namespace trackkit
