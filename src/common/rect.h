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

} // namespace trackkit
