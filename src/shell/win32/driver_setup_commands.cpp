#include "shell/win32/driver_setup_commands.h"

namespace trackkit {

void InstallDriverCommand(HWND) {}
void RemoveDriverCommand(HWND) {}

} // namespace trackkit
