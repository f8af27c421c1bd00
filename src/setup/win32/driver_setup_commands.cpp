#include "setup/win32/driver_setup_commands.h"

#include "setup/driver_setup.h"
#include "setup/win32/atom_reboot_marker.h"
#include "setup/win32/window_messages.h"
#include "setup/win32/windows_error_text.h"
#include "setup/win32/windows_file_deleter.h"
#include "setup/win32/windows_filter_manager.h"
#include "setup/win32/windows_installer.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

// The commands' view of Windows, with the boxes owned by the frame. The
// removal request goes to the given tracking driver.
class WindowsDriverSetup {
public:
    WindowsDriverSetup(HWND frame, TrackingDriver& driver) : driver_(driver), messages_(frame) {}

    DriverSetupSystem System()
    {
        return {installer_, reboot_, filters_, volumes_, driver_, files_, messages_, errorText_};
    }

private:
    TrackingDriver& driver_;
    WindowsInstaller installer_;
    AtomRebootMarker reboot_;
    WindowsFilterManager filters_;
    WindowsVolumeSystem volumes_;
    WindowsFileDeleter files_;
    WindowMessages messages_;
    WindowsErrorText errorText_;
};

} // namespace

void InstallDriverCommand(HWND frame, TrackingDriver& driver)
{
    WindowsDriverSetup setup(frame, driver);
    InstallDriver(setup.System());
}

void RemoveDriverCommand(HWND frame, TrackingDriver& driver)
{
    WindowsDriverSetup setup(frame, driver);
    RemoveDriver(setup.System());
}

} // namespace trackkit
