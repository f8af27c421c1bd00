#pragma once

#include <windows.h>

#include <utility>

namespace trackkit {

// Owns a window that nothing else destroys (a top-level helper window kept by
// another window's record) and destroys it when it goes away. Copying is
// deleted so that no window is destroyed twice.
class UniqueWindow {
public:
    UniqueWindow() = default;
    explicit UniqueWindow(HWND window) : window_(window) {}
    ~UniqueWindow() { Reset(); }

    UniqueWindow(const UniqueWindow&) = delete;
    UniqueWindow& operator=(const UniqueWindow&) = delete;
    UniqueWindow(UniqueWindow&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
    UniqueWindow& operator=(UniqueWindow&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.window_, nullptr));
        return *this;
    }

    HWND Get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }

    void Reset(HWND window = nullptr)
    {
        if (window_ != nullptr && IsWindow(window_))
            DestroyWindow(window_);
        window_ = window;
    }

private:
    HWND window_ = nullptr;
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

} // namespace trackkit
