#include "app/frame_commands.h"

#include "blockmap/view_options.h"

namespace trackkit {

FrameCommandTarget RouteFrameCommand(int command)
{
    switch (command) {
    case kCommandExit: return FrameCommandTarget::Exit;
    case kCommandAbout: return FrameCommandTarget::About;
    case kCommandSpeedHigh:
    case kCommandSpeedNormal:
    case kCommandSpeedLow:
    case kCommandSpeedPaused:
    case kCommandBlockLarge:
    case kCommandBlockMedium:
    case kCommandBlockSmall:
    case kCommandBlockSmallest: return FrameCommandTarget::TrackView;
    case kCommandRefreshNow: return FrameCommandTarget::VolumeListThenTrackView;
    case kCommandInstallDriver: return FrameCommandTarget::InstallDriver;
    case kCommandRemoveDriver: return FrameCommandTarget::RemoveDriver;
    case kCommandUninstallShadowCopies: return FrameCommandTarget::UninstallShadowCopies;
    case kCommandTraceLog: return FrameCommandTarget::TraceLog;
    case kCommandExcludeUsb: return FrameCommandTarget::ToggleUsbExclusion;
    case kCommandExcludeVhd: return FrameCommandTarget::ToggleVhdExclusion;
    default: return FrameCommandTarget::Ignore;
    }
}

} // namespace trackkit
