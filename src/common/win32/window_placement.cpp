#include "common/win32/window_placement.h"

#include "common/rect.h"

namespace trackkit {

std::optional<RECT> RestoredWindowRect(HWND window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement))
        return std::nullopt;
    RECT rect = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return rect;
    const auto asRect = [](const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; };
    const Rect screen = ScreenRectFromWorkspace(asRect(rect), asRect(monitor.rcMonitor), asRect(monitor.rcWork));
    return RECT{screen.left, screen.top, screen.right, screen.bottom};
}

} // namespace trackkit
