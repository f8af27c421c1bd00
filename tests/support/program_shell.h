#pragma once

// What the program's start-up does before any window exists, done by tests
// that build the frame or its panes in their own process: the common
// controls; and a main frame with the settings and services the program
// gives it.

#include <windows.h>

#include <commctrl.h>

#include "app/win32/main_frame.h"
#include "tracking/win32/virtual_bitmap_memory.h"

namespace trackkit::testing {

inline void PrepareProgramShell()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
}

// The settings outlive the frame, as the program's do, so a test reads what
// the frame stored in them.
struct ProgramFrame {
    ProgramFrame(TrackingDriver& driver, const AppSettings& stored) : settings(stored), creation{settings, driver, memory, theme}
    {
        PrepareProgramShell();
    }
    HWND Create()
    {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        return RegisterMainFrameClass(instance) ? CreateMainFrame(instance, creation) : nullptr;
    }

    AppSettings settings;
    VirtualBitmapMemory memory;
    ThemeLibrary theme{L""};  // none: tests run without the maker's library
    MainFrameCreation creation;
};

} // namespace trackkit::testing
