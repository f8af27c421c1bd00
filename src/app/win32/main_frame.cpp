#include "app/win32/main_frame.h"

#include <commctrl.h>
#include <windowsx.h>

#include <optional>

#include "app/frame_layout.h"
#include "app/win32/frame_commands.h"
#include "app/win32/frame_window.h"
#include "app/win32/statistics_list.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/window_class.h"
#include "common/win32/window_placement.h"
#include "common/win32/window_record.h"
#include "setup/win32/device_commands.h"
#include "volumes/win32/volume_list_window.h"
#include "widgets/win32/splitter_window.h"

namespace trackkit {

FrameWindow::FrameWindow(HWND frame, HINSTANCE instanceHandle, const MainFrameCreation& creation)
    : window(frame), instance(instanceHandle), settings(creation.settings), driver(creation.driver),
      bitmapMemory(creation.bitmapMemory), theme(creation.theme)
{
}

std::unique_ptr<FrameWindow> FrameWindow::Create(HWND frame, const CREATESTRUCTW& create)
{
    const auto* creation = static_cast<const MainFrameCreation*>(create.lpCreateParams);
    if (creation == nullptr)
        return nullptr;
    return std::make_unique<FrameWindow>(frame, create.hInstance, *creation);
}

void FrameWindow::OpenTrackedVolume(std::wstring_view devicePath) { OpenTrackedVolumeInPane(windows.trackView, devicePath); }

void FrameWindow::ShowPollReport(const PollReport& report)
{
    if (report.freeSpaceDue)
        RefreshVolumeListFreeSpace(windows.volumeList);
    StatisticsListRows rows(windows.statisticsList);
    ShowStatistics(report, rows, locale);
    WriteDebugLines(report, debug);
}

void FrameWindow::ShowStatusText(std::wstring_view text)
{
    if (windows.statusBar != nullptr)
        SetWindowTextW(windows.statusBar, std::wstring(text).c_str());
}

void FrameWindow::ShowViewMenu(POINT screenPoint) { ShowViewMenuAt(*this, screenPoint); }
void FrameWindow::OutlineBlocks(std::vector<std::uint32_t> blocks)
{
    OutlineBlocksInPane(windows.trackView, std::move(blocks));
}

namespace {

constexpr wchar_t kVistaDialogProperty[] = L"VistaDialog";

HWND CreatePane(HWND pane)
{
    if (pane != nullptr)
        SetWindowLongPtrW(pane, GWLP_ID, -1);
    return pane;
}

HWND CreateBlockMap(FrameWindow& frame, HWND parent)
{
    const AppSettings& settings = frame.settings;
    const TrackViewCreation creation{frame.driver, frame.bitmapMemory, frame, settings.blockSize, settings.updateSpeed,
                                     settings.blockColor};
    return CreateTrackView(parent, frame.instance, creation);
}

LRESULT OnFrameCreate(FrameWindow& frame, WPARAM wParam, LPARAM lParam)
{
    frame.theme.OnFrameCreate(frame.window, WM_CREATE, wParam, lParam);
    SetPropW(frame.window, kVistaDialogProperty, reinterpret_cast<HANDLE>(1));
    MainFrameWindows& windows = frame.windows;
    windows.menu = GetMenu(frame.window);
    const ScreenDpi dpi = MeasureDpi(frame.window);
    frame.dpiX = dpi.x;
    frame.dpiY = dpi.y;

    frame.outerSplitter = CreateSplitter(frame.window, 1, 2);
    HWND innerSplitter = CreateSplitter(frame.outerSplitter, 2, 1);
    windows.volumeList = CreatePane(CreateVolumeList(frame.outerSplitter, frame, frame.volumes, frame.locale));
    ShowChoiceMarks(frame);
    windows.trackView = CreateBlockMap(frame, innerSplitter);

    // Pane sizes use the horizontal DPI for widths and heights alike.
    const FrameMetrics metrics = ComputeFrameMetrics(frame.dpiX, frame.dpiY);
    windows.statisticsList = CreateStatisticsList(innerSplitter, frame.instance, metrics);

    AttachPane(frame.outerSplitter, 0, 0, metrics.volumeListWidth, metrics.volumeListWidth, windows.volumeList);
    AttachPane(frame.outerSplitter, 0, 1, metrics.paneExtent, metrics.paneExtent, innerSplitter);
    AttachPane(innerSplitter, 0, 0, metrics.paneExtent, metrics.paneExtent, windows.statisticsList);
    AttachPane(innerSplitter, 1, 0, metrics.paneExtent, metrics.paneExtent, windows.trackView);

    windows.statusBar =
        CreateStatusWindowW(WS_CHILD | WS_VISIBLE, kReadyStatusText, frame.window, static_cast<UINT>(kStatusBarId));

    SetFocus(windows.volumeList);
    RefreshVolumeList(windows.volumeList, false);
    ReadDeviceExclusions(frame.window);
    return 0;
}

int StatusBarHeight(const FrameWindow& frame)
{
    RECT rect{};
    if (frame.windows.statusBar == nullptr || !GetWindowRect(frame.windows.statusBar, &rect))
        return 0;
    return rect.bottom - rect.top;
}

void OnFrameSize(FrameWindow& frame, int width, int height)
{
    if (frame.windows.statusBar != nullptr)
        SendMessageW(frame.windows.statusBar, WM_SIZE, 0, 0);
    if (frame.outerSplitter == nullptr)
        return;
    const SplitterPlacement placement = PlaceOuterSplitter(width, height, StatusBarHeight(frame));
    MoveWindow(frame.outerSplitter, 0, 0, placement.width, placement.height, TRUE);
}

void SetMinimumTrackSize(ScreenDpi dpi, MINMAXINFO* info)
{
    const FrameMetrics metrics = ComputeFrameMetrics(dpi.x, dpi.y);
    info->ptMinTrackSize.x = metrics.minimumTrackWidth;
    info->ptMinTrackSize.y = metrics.minimumTrackHeight;
}

void OnFrameDestroy(FrameWindow& frame)
{
    if (const std::optional<RECT> rect = RestoredWindowRect(frame.window)) {
        AppSettings& settings = frame.settings;
        settings.windowLeft = rect->left;
        settings.windowTop = rect->top;
        settings.windowWidth = rect->right - rect->left;
        settings.windowHeight = rect->bottom - rect->top;
    }
    PostQuitMessage(0);
}

void ForwardTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window != nullptr)
        SendMessageW(window, message, wParam, lParam);
}

void ForwardToPanes(const FrameWindow& frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (HWND window : {frame.windows.volumeList, frame.windows.statisticsList, frame.windows.trackView})
        ForwardTo(window, message, wParam, lParam);
}

LRESULT HandleFrameMessage(FrameWindow& frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnFrameCreate(frame, wParam, lParam);
    case WM_SIZE:
        OnFrameSize(frame, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        SetMinimumTrackSize({frame.dpiX, frame.dpiY}, reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        RunFrameCommand(frame, LOWORD(wParam));
        return 0;
    case WM_DEVICECHANGE:
        ForwardTo(frame.windows.volumeList, message, wParam, lParam);
        return 0;
    case WM_THEMECHANGED:
        ForwardToPanes(frame, WM_THEMECHANGED, 0, 0);
        return 0;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        // Only the frame is told when the user moves or sizes it; the map
        // pauses its polling meanwhile.
        ForwardTo(frame.windows.trackView, message, wParam, lParam);
        return 0;
    case WM_DESTROY:
        OnFrameDestroy(frame);
        return 0;
    default:
        return DefWindowProcW(frame.window, message, wParam, lParam);
    }
}

constexpr auto kFrameWindowProc = RecordWindowProc<FrameWindow, HandleFrameMessage>;

} // namespace

LRESULT FrameWindow::HandleWithoutRecord(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_GETMINMAXINFO)
        return DefWindowProcW(frame, message, wParam, lParam);
    SetMinimumTrackSize(MeasureDpi(frame), reinterpret_cast<MINMAXINFO*>(lParam));
    return 0;
}

bool RegisterMainFrameClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kMainFrameClassName, kFrameWindowProc, 0, instance,
                                    LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN_ICON)),
                                    MAKEINTRESOURCEW(IDR_MAIN_MENU)});
}

HWND CreateMainFrame(HINSTANCE instance, const MainFrameCreation& creation)
{
    const AppSettings& settings = creation.settings;
    const FramePlacement virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                       GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const FramePlacement placement = SanitizeFramePlacement(
        {settings.windowLeft, settings.windowTop, settings.windowWidth, settings.windowHeight}, virtualScreen);
    return CreateWindowExW(0, kMainFrameClassName, kMainFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, placement.left,
                           placement.top, placement.width, placement.height, nullptr, nullptr, instance,
                           const_cast<MainFrameCreation*>(&creation));
}

MainFrameWindows MainFrameWindowsOf(HWND frame)
{
    if (!HasClassProcedure(frame, kFrameWindowProc))
        return {};
    const FrameWindow* record = WindowRecordOf<FrameWindow>(frame);
    return record != nullptr ? record->windows : MainFrameWindows{};
}

} // namespace trackkit
