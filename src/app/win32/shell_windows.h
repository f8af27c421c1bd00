#pragma once

#include <windows.h>

#include "settings/settings.h"

namespace trackkit {

// The process-wide handles through which the panes reach each other. Written
// once during start-up, before their first reader runs; read afterwards.
struct ShellWindows {
    HINSTANCE instance = nullptr;
    HANDLE heap = nullptr;
    HWND mainFrame = nullptr;       // set after the frame's creation has returned
    HMENU mainMenu = nullptr;
    HWND volumeList = nullptr;
    HWND statisticsList = nullptr;
    HWND trackView = nullptr;
    HWND statusBar = nullptr;
};

ShellWindows& Shell();

// The settings of this run: loaded at start-up, saved after the message loop.
AppSettings& ProgramSettings();

} // namespace trackkit
