#pragma once

#include <windows.h>

#include <optional>

namespace trackkit {

// A window's restored rectangle in screen coordinates, whether it is shown
// normal, minimised or maximised: what it should open as next time. The
// system keeps it in workspace coordinates, which start at the work area's
// corner, so a taskbar on the left or at the top would move it each time.
std::optional<RECT> RestoredWindowRect(HWND window);

} // namespace trackkit
