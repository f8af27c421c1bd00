#pragma once

#include <windows.h>

#include <string_view>

#include "resources/resource_ids.h"

namespace trackkit {

inline constexpr wchar_t kMainFrameClassName[] = L"MainFrameClass";
inline constexpr wchar_t kMainFrameTitle[] = L"Quillon Orvex - Change Block Tracker";
inline constexpr int kMainMenuResource = IDR_MAIN_MENU;
inline constexpr int kMainIconResource = IDI_MAIN_ICON;
inline constexpr int kStatusBarId = -1;  // 0xFFFFFFFF

// Registers MainFrameClass unless it is registered already.
bool RegisterMainFrameClass(HINSTANCE instance);

// Creates the main frame at the stored placement; its creation builds the
// whole window tree. Null when the frame could not be created.
HWND CreateMainFrame(HINSTANCE instance);

// Appends a row to the statistics list: the label, then the value in column 1.
void AddStatisticsRow(HWND list, std::wstring_view label, std::wstring_view value);

// The error box of the program: no owner, caption "TrackKit", OK only.
void ShowErrorBox(const wchar_t* format, ...);

// Enables one privilege of the process token; true when the adjustment call
// reported success.
bool EnablePrivilege(const wchar_t* name);

} // namespace trackkit
