#pragma once

// Reading windows back in the Windows tests: texts, class names, list-view cells
// and rectangles, the same way in every test.

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace trackkit::testing {

inline std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

inline std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::wstring ListItemText(HWND list, int row, int column)
{
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// A window's rectangle in the client coordinates of another window.
inline RECT RectInClient(HWND window, HWND relativeTo)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace trackkit::testing
