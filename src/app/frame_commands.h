#pragma once

#include "resources/command_ids.h"

namespace trackkit {

// Menu commands of the main frame.
inline constexpr int kCommandExit = IDM_FILE_EXIT;
inline constexpr int kCommandAbout = IDM_HELP_ABOUT;
inline constexpr int kCommandInstallDriver = IDM_FILE_INSTALL_DRIVER;
inline constexpr int kCommandRemoveDriver = IDM_FILE_REMOVE_DRIVER;
inline constexpr int kCommandUninstallShadowCopies = IDM_FILE_UNINSTALL_SHADOW_COPIES;
inline constexpr int kCommandTraceLog = IDM_VIEW_TRACE_LOG;
inline constexpr int kCommandExcludeUsb = IDM_FILE_EXCLUDE_USB;
inline constexpr int kCommandExcludeVhd = IDM_FILE_EXCLUDE_VHD;

// Who acts on a command that reaches the frame.
enum class FrameCommandTarget {
    Ignore,
    Exit,
    About,
    TrackView,            // update speed and block size: the block map acts on them
    VolumeListThenTrackView,  // "Refresh Now": both refresh
    InstallDriver,
    RemoveDriver,
    UninstallShadowCopies,
    TraceLog,
    ToggleUsbExclusion,
    ToggleVhdExclusion,
};

// Commands outside 40001 to 40030, command 0 (a dismissed context menu)
// among them, are ignored, and so are the ids inside it that nothing owns.
FrameCommandTarget RouteFrameCommand(int command);

} // namespace trackkit
