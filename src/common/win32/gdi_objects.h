#pragma once

#include <windows.h>

#include "common/win32/unique_handles.h"

namespace trackkit {

// A window's device context from GetDC, released when it goes away.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc()
    {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint on construction, EndPaint when it goes away.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC Dc() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a device context and puts the old one back when it
// goes away.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject()
    {
        if (old_ != nullptr && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory device context compatible with another, deleted when it goes away.
inline UniqueMemoryDc CreateMemoryDc(HDC compatibleWith) { return UniqueMemoryDc(CreateCompatibleDC(compatibleWith)); }

// The DPI of the screen, horizontal and vertical (LOGPIXELSX, LOGPIXELSY),
// measured from a window's device context.
struct ScreenDpi {
    int x = 96;
    int y = 96;
};

inline ScreenDpi MeasureDpi(HWND window)
{
    WindowDc dc(window);
    if (!dc)
        return {};
    return {GetDeviceCaps(dc.Get(), LOGPIXELSX), GetDeviceCaps(dc.Get(), LOGPIXELSY)};
}

} // namespace trackkit
