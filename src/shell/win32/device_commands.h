#pragma once

#include <windows.h>

namespace trackkit {

// File > "&Uninstall Removed Shadow Copy Devices...".
void UninstallShadowCopiesCommand(HWND frame);
// File > "Exclude &USB Devices" (40029) and "Exclude &VHD Devices" (40030).
void ToggleExclusionCommand(HWND frame, int command);
// Sets the check marks of both exclusion commands from the stored settings;
// the frame calls it once while it is created.
void ShowDeviceExclusionChecks(HWND frame);

} // namespace trackkit
