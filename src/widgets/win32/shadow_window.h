#pragma once

#include <windows.h>

#include "common/win32/gdi_objects.h"

namespace trackkit {

// The translucent dark band laid over the place where a dragged splitter bar
// will land: a borderless, layered top-level window that never takes the
// focus or the mouse.
inline constexpr wchar_t kShadowWindowClass[] = L"ShadowWindowClass";

// Registers ShadowWindowClass when needed and creates a shadow, hidden and
// without area. Its user shows and places it with
//   SetWindowPos(shadow, HWND_TOP, x, y, width, height,
//                SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOCOPYBITS)
// in screen coordinates, hides it with ShowWindow(SW_HIDE), and destroys it.
// Null when the class cannot be registered or the window not created.
HWND CreateShadowWindow();

// The shadow's image for a client area: a bottom-up 32-bit DIB section whose
// every pixel is premultiplied black at alpha 0x90. Empty when either side is
// not positive, the size does not fit a DIB, or the DIB cannot be created.
UniqueBitmap CreateShadowImage(HDC dc, int width, int height);

} // namespace trackkit
