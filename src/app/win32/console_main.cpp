// TrackKitCmd.exe and TrackKitCmdDemo.exe: the window's answers for scripts.
// Each links one driver wiring, as the window's two programs do.
#include <windows.h>

#include "app/win32/program_driver.h"
#include "common/win32/privileges.h"
#include "console/win32/console_commands.h"

int wmain(int argc, wchar_t** argv)
{
    // As the window does: raw reads of a volume's file table need the backup privilege.
    trackkit::EnablePrivilege(L"SeBackupPrivilege");
    return trackkit::RunConsoleProgram(argc, argv, trackkit::ProgramTrackingDriver());
}
