#include "blockmap/win32/track_view_window.h"

#include <windowsx.h>

#include <new>

#include "blockmap/dib_rule.h"
#include "blockmap/view_options.h"
#include "blockmap/win32/pane_poller_host.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/window_class.h"
#include "resources/resource_ids.h"
#include "app/win32/shell_windows.h"
#include "tracking/win32/lookup_dialog.h"
#include "app/win32/program_driver.h"
#include "tracking/win32/virtual_bitmap_memory.h"

namespace trackkit {
namespace {

VirtualBitmapMemory& SessionMemory()
{
    static VirtualBitmapMemory memory;
    return memory;
}

// The pane's record: the portable view state, the off-screen DIB and the
// adapters through which the poller reaches the windows.
struct TrackViewWindow {
    explicit TrackViewWindow(HWND pane) : window(pane), view(SessionMemory()), pollerHost(pane, ProgramTrackingDriver()) {}

    HWND window;
    TrackViewState view;
    UniqueBitmap dib;
    Pixel* dibPixels = nullptr;
    int dibWidth = 0;
    int dibHeight = 0;
    PanePollerHost pollerHost;
};

TrackViewWindow* RecordOf(HWND pane) { return reinterpret_cast<TrackViewWindow*>(GetWindowLongPtrW(pane, GWLP_USERDATA)); }

void CheckUpdateSpeedItem(int command)
{
    HMENU menu = Shell().mainMenu;
    if (menu == nullptr)
        return;
    for (const ViewChoice& choice : kUpdateSpeedChoices)
        CheckMenuItem(menu, static_cast<UINT>(choice.command), MF_BYCOMMAND | MF_UNCHECKED);
    if (command != 0)
        CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | MF_CHECKED);
}

void CheckBlockSizeItem(int command)
{
    if (Shell().mainMenu != nullptr)
        CheckMenuRadioItem(Shell().mainMenu, kCommandBlockLarge, kCommandBlockSmallest, static_cast<UINT>(command), MF_BYCOMMAND);
}

LRESULT OnCreate(HWND pane)
{
    auto* record = new (std::nothrow) TrackViewWindow(pane);
    if (record == nullptr)
        return -1;
    SetWindowLongPtrW(pane, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    record->view.faceColor = GetSysColor(COLOR_3DFACE);
    record->view.blockColor = ProgramSettings().blockColor;
    CheckUpdateSpeedItem(0);
    const ViewMenuChecks checks = ApplyStoredViewSettings(record->view, ProgramSettings());
    CheckBlockSizeItem(checks.blockSizeCommand);
    CheckUpdateSpeedItem(checks.updateSpeedCommand);
    return 0;
}

void OnDestroy(HWND pane)
{
    TrackViewWindow* record = RecordOf(pane);
    KillTimer(pane, kPollTimerId);
    SetWindowLongPtrW(pane, GWLP_USERDATA, 0);
    delete record;  // closes the volume, releases the bitmap and the DIB
}

void OnSize(TrackViewWindow& record, int cx, int cy)
{
    if (KeepsDib(static_cast<bool>(record.dib), record.dibWidth, record.dibHeight, cx, cy))
        return;
    record.dib.Reset();
    record.dibPixels = nullptr;
    record.dibWidth = record.dibHeight = 0;
    if (cx <= 0 || cy < 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -(cy + 1);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return;
    record.dib.Reset(bitmap);
    record.dibPixels = static_cast<Pixel*>(bits);
    record.dibWidth = cx;
    record.dibHeight = cy + 1;
}

void OnPaint(TrackViewWindow& record)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(record.window, &paint);
    record.view.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    record.view.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    RECT client;
    GetClientRect(record.window, &client);
    if (record.dib && record.dibPixels != nullptr) {
        const PixelBuffer target{record.dibPixels, record.dibWidth, record.dibHeight, record.dibWidth};
        const ColorRef background = GetSysColor(COLOR_WINDOW);
        RememberLayout(record.view, PaintBlockMap(PictureOf(record.view, client.right, client.bottom, background), target));
        UniqueMemoryDc memory = CreateMemoryDc(dc);
        if (memory) {
            SelectedObject selected(memory.Get(), record.dib.Get());
            BitBlt(dc, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right - paint.rcPaint.left,
                   paint.rcPaint.bottom - paint.rcPaint.top, memory.Get(), paint.rcPaint.left, paint.rcPaint.top, SRCCOPY);
        }
    }
    ValidateRect(record.window, nullptr);
    EndPaint(record.window, &paint);
}

void OnViewCommand(TrackViewWindow& record, int command)
{
    const ViewCommandResult result = DecideViewCommand(command);
    switch (result.action) {
    case ViewAction::SetPollPeriod:
        CheckUpdateSpeedItem(result.checkedCommand);
        record.view.session.pollPeriod = ProgramSettings().updateSpeed = result.value;
        ApplyPollPeriod(record.view.session, record.pollerHost.timer);
        break;
    case ViewAction::SetBlockSize:
        CheckBlockSizeItem(result.checkedCommand);
        record.view.blockSize = ProgramSettings().blockSize = result.value;
        InvalidateRect(record.window, nullptr, FALSE);
        break;
    case ViewAction::RefreshNow:
        PollTracking(&record.view.session, record.pollerHost.host);
        break;
    case ViewAction::Ignore:
        break;
    }
}

// A mouse point in map coordinates: moved down by the vertical scroll
// position, which stays 0 since the pane has no scroll bar.
POINT MousePoint(HWND pane, LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) + GetScrollPos(pane, SB_VERT)};
}

SIZE ClientSize(HWND pane)
{
    RECT client{};
    GetClientRect(pane, &client);
    return {client.right, client.bottom};
}

void ReleaseCaptureOf(HWND pane)
{
    if (GetCapture() == pane)
        ReleaseCapture();
}

void SetStatusText(const std::wstring& text)
{
    if (Shell().statusBar != nullptr)
        SetWindowTextW(Shell().statusBar, text.c_str());
}

void UpdateHoverStatus(TrackViewWindow& record, POINT point)
{
    const SIZE client = ClientSize(record.window);
    const HoverReadout readout = ReadHover(record.view, client.cx, client.cy, point.x, point.y);
    switch (readout.capture) {
    case MouseCapture::Take:
        if (GetCapture() != record.window)
            SetCapture(record.window);
        break;
    case MouseCapture::Release:
        ReleaseCaptureOf(record.window);
        break;
    case MouseCapture::Keep:
        break;
    }
    if (readout.statusText)
        SetStatusText(*readout.statusText);
}

// The dialog and the notice take the mouse: the pane lets go of it first,
// and takes it again at the next move over the map.
void OnLeftButtonDown(TrackViewWindow& record, POINT point)
{
    SetFocus(record.window);
    const SIZE client = ClientSize(record.window);
    const auto cell = LookupCellAt(record.view, client.cx, client.cy, point.x, point.y);
    if (!cell)
        return;
    ReleaseCaptureOf(record.window);
    LookupClusters(Shell().instance, record.window, record.view.session.volume.get(), *cell);
}

// Removes every mouse message waiting in the thread's queue, so that the
// click which closed the menu does not also reach the map.
void FlushPendingMouseMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSEHWHEEL, PM_REMOVE)) {
    }
}

// The View menu of the menu bar at the pointer. Its choice, or 0 when it was
// dismissed, goes to the frame, which routes View commands back here.
void OnRightButtonDown(HWND pane, POINT point)
{
    HMENU view = Shell().mainMenu != nullptr ? GetSubMenu(Shell().mainMenu, IDR_MAIN_MENU_VIEW_INDEX) : nullptr;
    if (view == nullptr)
        return;
    ClientToScreen(pane, &point);
    ReleaseCaptureOf(pane);
    const BOOL command = TrackPopupMenu(view, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, pane, nullptr);
    FlushPendingMouseMessages();
    if (Shell().mainFrame != nullptr)
        SendMessageW(Shell().mainFrame, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
}

void RecomputeColours(TrackViewWindow& record)
{
    record.view.faceColor = GetSysColor(COLOR_3DFACE);
    record.view.blockColor = ProgramSettings().blockColor;
    InvalidateRect(record.window, nullptr, FALSE);
}

LRESULT HandleTrackViewMessage(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return OnCreate(pane);
    TrackViewWindow* record = RecordOf(pane);
    switch (message) {
    case WM_DESTROY:
        OnDestroy(pane);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTINGCHANGE:
        return 0;
    case WM_SIZE:
        if (record != nullptr)
            OnSize(*record, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_PAINT:
        if (record == nullptr)
            break;
        OnPaint(*record);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && Shell().statusBar != nullptr)
            SetWindowTextW(Shell().statusBar, kReadyStatusText);
        return 0;
    case WM_COMMAND:
        if (record != nullptr)
            OnViewCommand(*record, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (record != nullptr && wParam == kPollTimerId)
            PollTracking(&record->view.session, record->pollerHost.host);
        return 0;
    case WM_ENTERSIZEMOVE:
        KillTimer(pane, kPollTimerId);
        return 0;
    case WM_EXITSIZEMOVE:
        if (record != nullptr && !IsPollingPaused(record->view.session.pollPeriod))
            record->pollerHost.timer.Start(record->view.session.pollPeriod);
        return 0;
    case WM_THEMECHANGED:
        if (record != nullptr)
            RecomputeColours(*record);
        return 0;
    case WM_MOUSEMOVE:
        if (record != nullptr)
            UpdateHoverStatus(*record, MousePoint(pane, lParam));
        return 0;
    case WM_LBUTTONDOWN:
        if (record != nullptr)
            OnLeftButtonDown(*record, MousePoint(pane, lParam));
        return 0;
    case WM_RBUTTONDOWN:
        OnRightButtonDown(pane, MousePoint(pane, lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(pane, message, wParam, lParam);
}

LRESULT CALLBACK TrackViewProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return HandleTrackViewMessage(pane, message, wParam, lParam); }, LRESULT{0});
}

} // namespace

bool RegisterTrackViewClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kTrackViewClassName, TrackViewProc, CS_HREDRAW | CS_VREDRAW, instance});
}

HWND CreateTrackView(HWND parent, HINSTANCE instance)
{
    if (!RegisterTrackViewClass(instance))
        return nullptr;
    HWND pane = CreateWindowExW(0, kTrackViewClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                parent, nullptr, instance, nullptr);
    if (pane == nullptr)
        return nullptr;
    SetWindowLongPtrW(pane, GWLP_ID, -1);
    ShowWindow(pane, SW_SHOW);
    return pane;
}

TrackViewState* TrackViewStateOf(HWND pane)
{
    TrackViewWindow* record = pane != nullptr ? RecordOf(pane) : nullptr;
    return record != nullptr ? &record->view : nullptr;
}

void OpenTrackedVolumeInPane(HWND pane, std::wstring_view devicePath)
{
    TrackViewWindow* record = pane != nullptr ? RecordOf(pane) : nullptr;
    if (record != nullptr)
        OpenTrackedVolume(&record->view.session, devicePath, record->pollerHost.host);
}

void SetFreeSpaceRefresher(HWND pane, FreeSpaceRefresher* refresher)
{
    TrackViewWindow* record = pane != nullptr ? RecordOf(pane) : nullptr;
    if (record != nullptr)
        record->pollerHost.freeSpace.SetTarget(refresher);
}

SIZE TrackViewDibSize(HWND pane)
{
    TrackViewWindow* record = pane != nullptr ? RecordOf(pane) : nullptr;
    if (record == nullptr || !record->dib)
        return {0, 0};
    return {record->dibWidth, record->dibHeight};
}

void PollTrackedVolumeInPane(HWND pane)
{
    TrackViewWindow* record = pane != nullptr ? RecordOf(pane) : nullptr;
    if (record != nullptr)
        PollTracking(&record->view.session, record->pollerHost.host);
}

} // namespace trackkit
