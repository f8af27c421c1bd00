#pragma once

namespace trackkit {

// A rectangle in pixels as Windows' RECT holds one: right and bottom lie just
// outside it. Every layout of the program computes these; the windows move
// their controls to them.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect FromSize(int left, int top, int width, int height)
    {
        return {left, top, left + width, top + height};
    }

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    // PtInRect's rule: the left and top edges belong to the rectangle, the
    // right and bottom ones do not.
    constexpr bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    constexpr bool Empty() const { return right <= left || bottom <= top; }
    // IntersectRect's rule: an empty rectangle meets nothing.
    constexpr bool Intersects(const Rect& other) const
    {
        return !Empty() && !other.Empty() && left < other.right && other.left < right && top < other.bottom &&
               other.top < bottom;
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A window's restored rectangle as the system keeps it (workspace
// coordinates, which start at the corner of the monitor's work area) in
// screen coordinates: moved by where the work area starts on its monitor,
// which a taskbar on the left or at the top shifts.
constexpr Rect ScreenRectFromWorkspace(const Rect& workspace, const Rect& monitor, const Rect& workArea)
{
    const int dx = workArea.left - monitor.left;
    const int dy = workArea.top - monitor.top;
    return {workspace.left + dx, workspace.top + dy, workspace.right + dx, workspace.bottom + dy};
}

} // namespace trackkit
