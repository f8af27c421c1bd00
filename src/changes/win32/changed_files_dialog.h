#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "changes/changed_files.h"
#include "common/locale_text.h"

namespace trackkit {

// The owner of the "Changed Files" window: it outlines the selected files'
// blocks on the block map.
class ChangedFilesHost {
public:
    virtual ~ChangedFilesHost() = default;
    // The changed blocks of the selected files, ascending; none removes the outline.
    virtual void OutlineBlocks(std::vector<std::uint32_t> blocks) = 0;
};

// What the window is opened with: the volume as it stood at the command.
struct ChangedFilesContext {
    ChangedFilesHost& host;
    LocaleText& locale;
    std::wstring volumeName;                // for the title
    std::unique_ptr<TrackedVolume> volume;  // opened for the lookup alone; null when that failed
    std::uint32_t openError = 0;
    ChangedFilesGeometry geometry;
    std::vector<std::uint8_t> bitmap;       // the session bitmap at the command; empty: none
    bool tracked = true;                    // false: the tracking driver does not answer for the volume
};

// Shows the window modally, owned by `owner`, and runs the lookup. Escape or
// "Cancel" stops the lookup and keeps what it found; closing the window
// stops it too. False when the window could not be shown.
bool ShowChangedFilesDialog(HINSTANCE instance, HWND owner, ChangedFilesContext& context);

} // namespace trackkit
