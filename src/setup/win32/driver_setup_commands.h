#pragma once

#include <windows.h>

#include "tracking/tracking_driver.h"

namespace trackkit {

// File > "&Install CBT Driver..." and "&Remove CBT Driver...", with the
// program's tracking driver (the removal asks it to stop tracking).
void InstallDriverCommand(HWND frame, TrackingDriver& driver);
void RemoveDriverCommand(HWND frame, TrackingDriver& driver);

} // namespace trackkit
