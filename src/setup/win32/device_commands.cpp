#include "setup/win32/device_commands.h"

#include "setup/device_maintenance.h"
#include "setup/win32/menu_check_marks.h"
#include "settings/win32/registry_service_key.h"
#include "setup/win32/setup_device_manager.h"
#include "setup/win32/window_messages.h"
#include "setup/win32/windows_error_text.h"
#include "tracking/win32/debug_log.h"

namespace trackkit {
namespace {

// The real registry, menu, debugger output and message boxes of one command.
struct FrameExclusionServices {
    explicit FrameExclusionServices(HWND frame) : menu(GetMenu(frame)), messages(frame) {}

    RegistryServiceKey key;
    MenuCheckMarks menu;
    WindowsDebugLog debug;
    WindowMessages messages;
    WindowsErrorText errorText;
    DeviceExclusionHost host{key, menu, debug, messages, errorText};
};

} // namespace

void ReadDeviceExclusions(HWND frame)
{
    FrameExclusionServices services(frame);
    ReadDeviceExclusions(services.host);
}

void ToggleDeviceExclusion(HWND frame, int command)
{
    FrameExclusionServices services(frame);
    ToggleDeviceExclusion(services.host, command);
}

void UninstallRemovedShadowCopyDevices(HWND frame)
{
    SetupDeviceManager devices;
    WindowMessages messages(frame);
    UninstallRemovedShadowCopyDevices(devices, messages);
}

} // namespace trackkit
