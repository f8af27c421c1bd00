#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/main_frame.h"
#include "blockmap/win32/track_view_window.h"
#include "changes/win32/changed_files_dialog.h"
#include "common/win32/locale_text.h"
#include "tracking/win32/debug_log.h"
#include "volumes/volume_list.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {

// The main frame's record: its windows, the settings of the run, and the
// services it hands to its panes. It is the owner the panes report to.
struct FrameWindow final : VolumeListHost, TrackViewHost, ChangedFilesHost {
    FrameWindow(HWND frame, HINSTANCE instance, const MainFrameCreation& creation);
    static std::unique_ptr<FrameWindow> Create(HWND frame, const CREATESTRUCTW& create);
    // The minimum size is asked for before the record exists.
    static LRESULT HandleWithoutRecord(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

    // The volume list's selection goes to the block map.
    void OpenTrackedVolume(std::wstring_view devicePath) override;
    // What the block map learns is shown in the statistics list, the volume
    // list and the debugger output; its hover readout in the status bar.
    void ShowPollReport(const PollReport& report) override;
    void ShowStatusText(std::wstring_view text) override;
    void ShowViewMenu(POINT screenPoint) override;
    // The changed files selected in their window are outlined on the block map.
    void OutlineBlocks(std::vector<std::uint32_t> blocks) override;

    HWND window;
    HINSTANCE instance;
    AppSettings& settings;
    TrackingDriver& driver;
    BitmapMemory& bitmapMemory;
    const ThemeLibrary& theme;
    WindowsVolumeSystem volumes;
    WindowsLocaleText locale;
    WindowsDebugLog debug;
    std::wstring traceLogPath;  // the trace log dialog's, kept between openings
    MainFrameWindows windows;
    HWND outerSplitter = nullptr;
    int dpiX = 96;
    int dpiY = 96;
};

} // namespace trackkit
