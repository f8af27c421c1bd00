#include "blockmap/win32/track_view_window.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "blockmap/dib_rule.h"
#include "blockmap/win32/pane_poller_host.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "tracking/win32/lookup_dialog.h"

namespace trackkit {
namespace {

// The pane's record: the portable view state, the off-screen DIB, the
// adapters through which the poller reaches the pane, and the owner.
struct TrackViewWindow {
    TrackViewWindow(HWND pane, const TrackViewCreation& creation, HINSTANCE instance)
        : window(pane), resources(instance), view(creation.bitmapMemory), pollerHost(pane, creation.driver),
          owner(creation.host)
    {
        view.blockSize = creation.blockSize;
        view.session.pollPeriod = creation.pollPeriod;
        view.blockColor = creation.blockColor;
        view.faceColor = GetSysColor(COLOR_3DFACE);
    }

    static std::unique_ptr<TrackViewWindow> Create(HWND pane, const CREATESTRUCTW& create)
    {
        const auto* creation = static_cast<const TrackViewCreation*>(create.lpCreateParams);
        if (creation == nullptr)
            return nullptr;
        return std::make_unique<TrackViewWindow>(pane, *creation, create.hInstance);
    }

    HWND window;
    HINSTANCE resources;  // the lookup dialog's
    TrackViewState view;
    UniqueBitmap dib;
    Pixel* dibPixels = nullptr;
    int dibWidth = 0;
    int dibHeight = 0;
    PanePollerHost pollerHost;
    TrackViewHost& owner;
};

LRESULT HandleTrackViewMessage(TrackViewWindow& record, UINT message, WPARAM wParam, LPARAM lParam);

constexpr auto kTrackViewProc = RecordWindowProc<TrackViewWindow, HandleTrackViewMessage>;

TrackViewWindow* RecordOf(HWND pane)
{
    return HasClassProcedure(pane, kTrackViewProc) ? WindowRecordOf<TrackViewWindow>(pane) : nullptr;
}

void Poll(TrackViewWindow& record)
{
    record.owner.ShowPollReport(PollTracking(&record.view.session, record.pollerHost.host));
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
    PaintScope paint(record.window);
    record.view.dpiX = GetDeviceCaps(paint.Dc(), LOGPIXELSX);
    record.view.dpiY = GetDeviceCaps(paint.Dc(), LOGPIXELSY);
    RECT client;
    GetClientRect(record.window, &client);
    if (record.dib && record.dibPixels != nullptr) {
        const PixelBuffer target{record.dibPixels, record.dibWidth, record.dibHeight, record.dibWidth};
        const ColorRef background = GetSysColor(COLOR_WINDOW);
        RememberLayout(record.view, PaintBlockMap(PictureOf(record.view, client.right, client.bottom, background), target));
        UniqueMemoryDc memory = CreateMemoryDc(paint.Dc());
        if (memory) {
            SelectedObject selected(memory.Get(), record.dib.Get());
            const RECT& area = paint.Area();
            BitBlt(paint.Dc(), area.left, area.top, area.right - area.left, area.bottom - area.top, memory.Get(),
                   area.left, area.top, SRCCOPY);
        }
    }
    ValidateRect(record.window, nullptr);
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
        record.owner.ShowStatusText(*readout.statusText);
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
    LookupClusters(record.resources, record.window, record.view.session.volume.get(), *cell);
}

// The owner shows the View menu at the pointer and acts on its choice.
void OnRightButtonDown(TrackViewWindow& record, POINT point)
{
    ClientToScreen(record.window, &point);
    ReleaseCaptureOf(record.window);
    record.owner.ShowViewMenu(point);
}

void RecomputeColours(TrackViewWindow& record)
{
    record.view.faceColor = GetSysColor(COLOR_3DFACE);
    InvalidateRect(record.window, nullptr, FALSE);
}

void RestartTimerAfterSizing(TrackViewWindow& record)
{
    if (record.view.session.pollPeriod != kPollPaused)
        record.pollerHost.timer.Start(record.view.session.pollPeriod);
}

LRESULT HandleTrackViewMessage(TrackViewWindow& record, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND pane = record.window;
    switch (message) {
    case WM_DESTROY:
        KillTimer(pane, kPollTimerId);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTINGCHANGE:
        return 0;
    case WM_SIZE:
        OnSize(record, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_PAINT:
        OnPaint(record);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            record.owner.ShowStatusText(kReadyStatusText);
        return 0;
    case WM_TIMER:
        if (wParam == kPollTimerId)
            Poll(record);
        return 0;
    case WM_ENTERSIZEMOVE:
        KillTimer(pane, kPollTimerId);
        return 0;
    case WM_EXITSIZEMOVE:
        RestartTimerAfterSizing(record);
        return 0;
    case WM_THEMECHANGED:
        RecomputeColours(record);
        return 0;
    case WM_MOUSEMOVE:
        UpdateHoverStatus(record, MousePoint(pane, lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(record, MousePoint(pane, lParam));
        return 0;
    case WM_RBUTTONDOWN:
        OnRightButtonDown(record, MousePoint(pane, lParam));
        return 0;
    default:
        return DefWindowProcW(pane, message, wParam, lParam);
    }
}

} // namespace

bool RegisterTrackViewClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kTrackViewClassName, kTrackViewProc, CS_HREDRAW | CS_VREDRAW, instance});
}

HWND CreateTrackView(HWND parent, HINSTANCE instance, const TrackViewCreation& creation)
{
    if (!RegisterTrackViewClass(instance))
        return nullptr;
    HWND pane = CreateWindowExW(0, kTrackViewClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                parent, nullptr, instance, const_cast<TrackViewCreation*>(&creation));
    if (pane == nullptr)
        return nullptr;
    SetWindowLongPtrW(pane, GWLP_ID, -1);
    ShowWindow(pane, SW_SHOW);
    return pane;
}

TrackViewState* TrackViewStateOf(HWND pane)
{
    TrackViewWindow* record = RecordOf(pane);
    return record != nullptr ? &record->view : nullptr;
}

// The outline names blocks of the volume that was open: another volume drops
// it. The same volume opened again, as a refresh of the volume list does,
// keeps it.
void OpenTrackedVolumeInPane(HWND pane, std::wstring_view devicePath)
{
    TrackViewWindow* record = RecordOf(pane);
    if (record == nullptr)
        return;
    if (record->view.session.openPath != devicePath)
        record->view.outlinedBlocks.clear();
    record->owner.ShowPollReport(OpenTrackedVolume(&record->view.session, devicePath, record->pollerHost.host));
}

void PollTrackedVolumeInPane(HWND pane)
{
    if (TrackViewWindow* record = RecordOf(pane))
        Poll(*record);
}

void SetTrackViewPollPeriod(HWND pane, std::uint32_t period)
{
    if (TrackViewWindow* record = RecordOf(pane)) {
        record->view.session.pollPeriod = period;
        ApplyPollPeriod(record->view.session, record->pollerHost.timer);
    }
}

void SetTrackViewBlockSize(HWND pane, std::uint32_t blockSize)
{
    if (TrackViewWindow* record = RecordOf(pane)) {
        record->view.blockSize = blockSize;
        InvalidateRect(pane, nullptr, FALSE);
    }
}

void OutlineBlocksInPane(HWND pane, std::vector<std::uint32_t> blocks)
{
    TrackViewWindow* record = RecordOf(pane);
    if (record == nullptr)
        return;
    if (!std::is_sorted(blocks.begin(), blocks.end()))
        std::sort(blocks.begin(), blocks.end());
    record->view.outlinedBlocks = std::move(blocks);
    InvalidateRect(pane, nullptr, FALSE);
}

SIZE TrackViewDibSize(HWND pane)
{
    TrackViewWindow* record = RecordOf(pane);
    if (record == nullptr || !record->dib)
        return {0, 0};
    return {record->dibWidth, record->dibHeight};
}

} // namespace trackkit
