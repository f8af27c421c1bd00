#pragma once

#include <windows.h>

namespace trackkit {

// File > "&Install CBT Driver..." and "&Remove CBT Driver...".
void InstallDriverCommand(HWND frame);
void RemoveDriverCommand(HWND frame);

} // namespace trackkit
