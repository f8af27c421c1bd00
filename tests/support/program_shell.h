#pragma once

// What the program's start-up does before any window exists, done by tests
// that build the frame or its panes in their own process: the common
// controls, the instance and the heap.

#include <windows.h>

#include <commctrl.h>

#include "app/win32/shell_windows.h"

namespace trackkit::testing {

inline void PrepareProgramShell()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    Shell().instance = GetModuleHandleW(nullptr);
    Shell().heap = GetProcessHeap();
}

} // namespace trackkit::testing
