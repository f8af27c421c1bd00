#pragma once

#include <windows.h>

#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "settings/win32/theme_library.h"
#include "tracking/session_bitmap.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

inline constexpr wchar_t kMainFrameClassName[] = L"MainFrameClass";
inline constexpr wchar_t kMainFrameTitle[] = L"Quillon Orvex - Change Block Tracker";
inline constexpr int kStatusBarId = -1;  // 0xFFFFFFFF

// What the main frame is created with (its creation parameter): the
// settings of this run, which it keeps up to date and which outlive it, and
// the services its panes use.
struct MainFrameCreation {
    AppSettings& settings;
    TrackingDriver& driver;
    BitmapMemory& bitmapMemory;
    const ThemeLibrary& theme;
};

// The windows of the frame's tree, for the program's start-up and for tests.
struct MainFrameWindows {
    HMENU menu = nullptr;
    HWND volumeList = nullptr;
    HWND statisticsList = nullptr;
    HWND trackView = nullptr;
    HWND statusBar = nullptr;
};

// Registers MainFrameClass unless it is registered already.
bool RegisterMainFrameClass(HINSTANCE instance);

// Creates the main frame at the stored placement; its creation builds the
// whole window tree. Null when the frame could not be created.
HWND CreateMainFrame(HINSTANCE instance, const MainFrameCreation& creation);

// The frame's windows; all null for a window that is not a main frame.
MainFrameWindows MainFrameWindowsOf(HWND frame);

} // namespace trackkit
