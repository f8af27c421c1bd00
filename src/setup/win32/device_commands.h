#pragma once

#include <windows.h>

namespace trackkit {

// Start-up: sets the check marks of "Exclude &USB Devices" and "Exclude &VHD
// Devices" on the frame's menu from the tracking driver's service key; the
// frame calls it once while it is created.
void ReadDeviceExclusions(HWND frame);
// File > "Exclude &USB Devices" (40029) and "Exclude &VHD Devices" (40030).
void ToggleDeviceExclusion(HWND frame, int command);
// File > "&Uninstall Removed Shadow Copy Devices..." (40027).
void UninstallRemovedShadowCopyDevices(HWND frame);

} // namespace trackkit
