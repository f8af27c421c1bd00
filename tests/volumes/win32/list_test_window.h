#pragma once

// A plain top-level window to hold the list under test, and the small tools
// the window tests read the list's state and pixels with.

#include <windows.h>

#include <string>
#include <vector>

#include "blockmap/colors.h"
#include "volumes/volume_list.h"

namespace trackkit::testing {

inline constexpr wchar_t kTestParentClass[] = L"TrackKitVolumeListTestParent";

// One shown top-level window per test process, left for the process's end:
// under Wine without a window manager, destroying a shown top-level window
// waits two seconds for the X server, while its children come and go at once.
inline HWND TestParent()
{
    static HWND parent = nullptr;
    if (parent != nullptr && IsWindow(parent))
        return parent;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kTestParentClass;
    RegisterClassExW(&windowClass);  // once per process
    parent = CreateWindowExW(0, kTestParentClass, L"Volume list test", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 500, 500,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (parent != nullptr) {
        ShowWindow(parent, SW_SHOW);
        SetForegroundWindow(parent);
    }
    return parent;
}

// Handles whatever the system posted (paints, focus changes).
inline void PumpMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The colour on screen at a client point of the window.
inline ColorRef PixelAt(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

// How many pixels of a colour lie in a client rectangle.
inline int CountPixels(HWND window, const ListRect& area, ColorRef color)
{
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            count += GetPixel(dc, x, y) == color ? 1 : 0;
    }
    ReleaseDC(window, dc);
    return count;
}

inline LPARAM PointParam(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

} // namespace trackkit::testing
