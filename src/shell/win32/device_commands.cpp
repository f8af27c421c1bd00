#include "shell/win32/device_commands.h"

namespace trackkit {

void UninstallShadowCopiesCommand(HWND) {}
void ToggleExclusionCommand(HWND, int) {}
void ShowDeviceExclusionChecks(HWND) {}

} // namespace trackkit
