#include "test_windows.h"

#include <commctrl.h>

#include "common/win32/gdi_objects.h"

namespace trackkit::testing {
namespace {

constexpr wchar_t kHostClass[] = L"TrackKitTestHost";
constexpr wchar_t kPaneClass[] = L"TrackKitTestPane";

int notifications = 0;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY)
        ++notifications;
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterOnce(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSEXW known{};
    known.cbSize = sizeof(known);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &known))
        return;
    WNDCLASSEXW wanted{};
    wanted.cbSize = sizeof(wanted);
    wanted.lpfnWndProc = procedure;
    wanted.hInstance = GetModuleHandleW(nullptr);
    wanted.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wanted.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wanted.lpszClassName = name;
    RegisterClassExW(&wanted);
}

LPARAM PointParam(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

BOOL CALLBACK CollectOfClass(HWND window, LPARAM lParam)
{
    auto* found = reinterpret_cast<std::pair<const wchar_t*, std::vector<HWND>*>*>(lParam);
    if (ClassNameOf(window) == found->first)
        found->second->push_back(window);
    return TRUE;
}

} // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight)
{
    RegisterOnce(kHostClass, HostProc);
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(0, kHostClass, L"splitter test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 30,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

int HostWindow::NotificationsReceived()
{
    return notifications;
}

HWND CreatePane(HWND parent, DWORD extendedStyle)
{
    RegisterOnce(kPaneClass, DefWindowProcW);
    return CreateWindowExW(extendedStyle, kPaneClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), GetModuleHandleW(nullptr),
                           nullptr);
}

HWND CreateListPane(HWND parent, int rows)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                                0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 250;
    column.pszText = const_cast<wchar_t*>(L"Description");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"x");
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    return list;
}

Box PlaceInParent(HWND window)
{
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return {place.left, place.top, place.right, place.bottom};
}

Box ScreenBox(HWND window)
{
    RECT place{};
    GetWindowRect(window, &place);
    return {place.left, place.top, place.right, place.bottom};
}

void SizeWindow(HWND window, int width, int height)
{
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PressAt(HWND window, int x, int y)
{
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
}

void MoveTo(HWND window, int x, int y)
{
    SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y));
}

void ReleaseAt(HWND window, int x, int y)
{
    SendMessageW(window, WM_LBUTTONUP, 0, PointParam(x, y));
}

std::vector<HWND> ThreadWindowsOfClass(const wchar_t* className)
{
    std::vector<HWND> windows;
    std::pair<const wchar_t*, std::vector<HWND>*> search{className, &windows};
    EnumThreadWindows(GetCurrentThreadId(), CollectOfClass, reinterpret_cast<LPARAM>(&search));
    return windows;
}

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

int ExpectedBarWidth()
{
    return MulDiv(4, MeasureDpi(nullptr).x, 96);
}

int ExpectedBarHeight()
{
    return MulDiv(4, MeasureDpi(nullptr).y, 96);
}

} // namespace trackkit::testing
