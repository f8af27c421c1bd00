#pragma once

namespace trackkit {

// Menu commands of the main frame.
inline constexpr int kCommandExit = 40001;
inline constexpr int kCommandAbout = 40002;
inline constexpr int kCommandInstallDriver = 40015;
inline constexpr int kCommandRemoveDriver = 40017;
inline constexpr int kCommandUninstallShadowCopies = 40027;
inline constexpr int kCommandTraceLog = 40028;
inline constexpr int kCommandExcludeUsb = 40029;
inline constexpr int kCommandExcludeVhd = 40030;
inline constexpr int kFirstFrameCommand = 40001;
inline constexpr int kLastFrameCommand = 40030;

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
