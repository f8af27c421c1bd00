#include "setup/win32/driver_setup_commands.h"

#include "setup/driver_setup.h"
#include "setup/win32/atom_reboot_marker.h"
#include "setup/win32/window_messages.h"
#include "setup/win32/windows_error_text.h"
#include "setup/win32/windows_file_deleter.h"
#include "setup/win32/windows_filter_manager.h"
#include "setup/win32/windows_installer.h"
#include "app/win32/program_driver.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

// The commands' view of Windows, with the boxes owned by the frame. The
// removal request goes to the program's tracking driver.
class WindowsDriverSetup {
public:
    explicit WindowsDriverSetup(HWND frame) : messages_(frame) {}

    DriverSetupSystem System()
    {
        return {installer_, reboot_, filters_, volumes_, ProgramTrackingDriver(), files_, messages_, errorText_};
    }

private:
    WindowsInstaller installer_;
    AtomRebootMarker reboot_;
    WindowsFilterManager filters_;
    WindowsVolumeSystem volumes_;
    WindowsFileDeleter files_;
    WindowMessages messages_;
    WindowsErrorText errorText_;
};

} // namespace

void InstallDriverCommand(HWND frame)
{
    WindowsDriverSetup setup(frame);
    InstallDriver(setup.System());
}

void RemoveDriverCommand(HWND frame)
{
    WindowsDriverSetup setup(frame);
    RemoveDriver(setup.System());
}

} // namespace trackkit
