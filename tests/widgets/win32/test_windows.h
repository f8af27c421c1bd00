#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "common/win32/window_objects.h"

namespace trackkit::testing {

// A plain top-level window to put splitters on, visible and in the
// foreground, with a client area of the given size. It counts the
// WM_NOTIFY messages it receives.
//
// It is left to the end of the process rather than destroyed: Wine, with no
// window manager on the virtual display, waits two seconds for every shown
// top-level window that is hidden or destroyed, and each test runs as a
// process of its own.
class HostWindow {
public:
    explicit HostWindow(int clientWidth = 1000, int clientHeight = 700);
    HWND Get() const { return window_; }
    static int NotificationsReceived();

private:
    HWND window_ = nullptr;
};

// A borderless child window standing for a pane; its id starts as -1, as the
// frame's panes do.
HWND CreatePane(HWND parent, DWORD extendedStyle = 0);

// A report-style list view child with one column and `rows` items.
HWND CreateListPane(HWND parent, int rows);

// A rectangle as {left, top, right, bottom}, which GoogleTest compares and
// prints.
using Box = std::array<long, 4>;

// A window's rectangle in its parent's client coordinates.
Box PlaceInParent(HWND window);

// A window's rectangle on the screen.
Box ScreenBox(HWND window);

// Sizes a splitter (or any child) at the origin of its parent.
void SizeWindow(HWND window, int width, int height);

// The mouse messages the system would send, at client coordinates.
void PressAt(HWND window, int x, int y);
void MoveTo(HWND window, int x, int y);
void ReleaseAt(HWND window, int x, int y);

// The thread's top-level windows of a class, in no particular order.
std::vector<HWND> ThreadWindowsOfClass(const wchar_t* className);

std::wstring ClassNameOf(HWND window);

// The splitter bar thickness this screen gets: 4 pixels at 96 DPI.
int ExpectedBarWidth();
int ExpectedBarHeight();

} // namespace trackkit::testing
