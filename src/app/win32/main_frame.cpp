#include "app/win32/main_frame.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <new>
#include <optional>
#include <string>

#include "blockmap/win32/track_view_window.h"
#include "common/text.h"
#include "common/win32/file_version_reader.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/unique_handles.h"
#include "common/win32/window_class.h"
#include "app/frame_commands.h"
#include "app/frame_layout.h"
#include "setup/win32/device_commands.h"
#include "setup/win32/driver_setup_commands.h"
#include "tracking/win32/driver_version.h"
#include "app/win32/shell_windows.h"
#include "settings/win32/theme_library.h"
#include "tracelog/win32/trace_log_dialog.h"
#include "tracking/statistics.h"
#include "volumes/win32/volume_list_window.h"
#include "widgets/win32/about_box.h"
#include "widgets/win32/splitter_window.h"

namespace trackkit {
namespace {

constexpr wchar_t kVistaDialogProperty[] = L"VistaDialog";
constexpr wchar_t kErrorCaption[] = L"TrackKit";
constexpr std::size_t kErrorTextChars = 256;

// The volume list hands its selection to the block map's poller.
class PaneSelection final : public VolumeListHost {
public:
    void OpenTrackedVolume(std::wstring_view devicePath) override
    {
        OpenTrackedVolumeInPane(Shell().trackView, devicePath);
    }
};

// The frame's own record.
struct FrameState {
    HWND outerSplitter = nullptr;
    int dpiX = 96;
    int dpiY = 96;
    PaneSelection selection;
};

FrameState* FrameStateOf(HWND frame) { return reinterpret_cast<FrameState*>(GetWindowLongPtrW(frame, GWLP_USERDATA)); }

constexpr UINT_PTR kStatisticsColumnsSubclass = 1;

// The widest row label of the statistics list, in the list's own font.
int LongestStatisticsLabel(HWND list)
{
    int widest = 0;
    for (int row = kDriverVersionRow; row <= kLastStatisticsRow; ++row) {
        const std::wstring label(StatisticsRowAt(row).label);
        widest = std::max(widest, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                                reinterpret_cast<LPARAM>(label.c_str()))));
    }
    return widest;
}

// Gives the Value column the room first whenever the list changes size.
void FitStatisticsColumnsTo(HWND list, int listWidth)
{
    const StatisticsColumns columns = FitStatisticsColumns(listWidth, LongestStatisticsLabel(list), MeasureDpi(list).x);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(columns.description, 0));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(columns.value, 0));
}

LRESULT CALLBACK StatisticsListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (message == WM_SIZE)
        HandleWithoutEscaping([&] { FitStatisticsColumnsTo(list, GET_X_LPARAM(lParam)); return 0; }, 0);
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(list, StatisticsListSubclassProc, kStatisticsColumnsSubclass);
    return result;
}

void AddStatisticsColumns(HWND list, const FrameMetrics& metrics)
{
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"Description", metrics.descriptionColumn}, {L"Value", metrics.valueColumn}};
    int index = 0;
    for (const auto& column : columns) {
        std::wstring title(column.title);
        LVCOLUMNW lvColumn{};
        lvColumn.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        lvColumn.fmt = LVCFMT_LEFT;
        lvColumn.cx = column.width;
        lvColumn.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&lvColumn));
    }
}

HWND CreateStatisticsList(HWND parent, const FrameMetrics& metrics)
{
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                0, 0, 0, 0, parent, nullptr, Shell().instance, nullptr);
    if (list == nullptr)
        return nullptr;
    const LPARAM styles = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(styles), styles);
    AddStatisticsColumns(list, metrics);
    SetWindowSubclass(list, StatisticsListSubclassProc, kStatisticsColumnsSubclass, 0);
    return list;
}

void AddAllStatisticsRows(HWND list)
{
    AddStatisticsRow(list, StatisticsRowAt(kDriverVersionRow).label, DriverVersionText(SystemDirectory()));
    for (int row = kFirstStatisticsRow; row <= kLastStatisticsRow; ++row)
        AddStatisticsRow(list, StatisticsRowAt(row).label, StatisticsRowAt(row).initialValue);
}

HWND CreatePane(HWND pane)
{
    if (pane != nullptr)
        SetWindowLongPtrW(pane, GWLP_ID, -1);
    return pane;
}

LRESULT OnFrameCreate(HWND frame, WPARAM wParam, LPARAM lParam)
{
    ProgramTheme().OnFrameCreate(frame, WM_CREATE, wParam, lParam);
    SetPropW(frame, kVistaDialogProperty, reinterpret_cast<HANDLE>(1));
    ShellWindows& shell = Shell();
    shell.mainMenu = GetMenu(frame);

    auto* state = new (std::nothrow) FrameState;
    if (state == nullptr)
        return -1;
    SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    const ScreenDpi dpi = MeasureDpi(frame);
    state->dpiX = dpi.x;
    state->dpiY = dpi.y;

    state->outerSplitter = CreateSplitter(frame, 1, 2);
    HWND innerSplitter = CreateSplitter(state->outerSplitter, 2, 1);
    shell.volumeList = CreatePane(CreateVolumeList(state->outerSplitter, state->selection));
    shell.trackView = CreateTrackView(innerSplitter, shell.instance);

    // Pane sizes use the horizontal DPI for widths and heights alike.
    const FrameMetrics metrics = ComputeFrameMetrics(state->dpiX, state->dpiY);
    shell.statisticsList = CreateStatisticsList(innerSplitter, metrics);
    if (shell.statisticsList != nullptr)
        AddAllStatisticsRows(shell.statisticsList);

    AttachPane(state->outerSplitter, 0, 0, metrics.volumeListWidth, metrics.volumeListWidth, shell.volumeList);
    AttachPane(state->outerSplitter, 0, 1, metrics.paneExtent, metrics.paneExtent, innerSplitter);
    AttachPane(innerSplitter, 0, 0, metrics.paneExtent, metrics.paneExtent, shell.statisticsList);
    AttachPane(innerSplitter, 1, 0, metrics.paneExtent, metrics.paneExtent, shell.trackView);

    shell.statusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, kReadyStatusText, frame, static_cast<UINT>(kStatusBarId));

    SetFreeSpaceRefresher(shell.trackView, VolumeListFreeSpace(shell.volumeList));
    SetFocus(shell.volumeList);
    RefreshVolumeList(shell.volumeList, false);
    ReadDeviceExclusions(frame);
    return 0;
}

int StatusBarHeight()
{
    RECT rect{};
    if (Shell().statusBar == nullptr || !GetWindowRect(Shell().statusBar, &rect))
        return 0;
    return rect.bottom - rect.top;
}

void OnFrameSize(HWND frame, int width, int height)
{
    if (Shell().statusBar != nullptr)
        SendMessageW(Shell().statusBar, WM_SIZE, 0, 0);
    FrameState* state = FrameStateOf(frame);
    if (state == nullptr || state->outerSplitter == nullptr)
        return;
    const SplitterPlacement placement = PlaceOuterSplitter(width, height, StatusBarHeight());
    MoveWindow(state->outerSplitter, 0, 0, placement.width, placement.height, TRUE);
}

void OnGetMinMaxInfo(HWND frame, MINMAXINFO* info)
{
    const FrameState* state = FrameStateOf(frame);
    const ScreenDpi dpi = state != nullptr ? ScreenDpi{state->dpiX, state->dpiY} : MeasureDpi(frame);
    const FrameMetrics metrics = ComputeFrameMetrics(dpi.x, dpi.y);
    info->ptMinTrackSize.x = metrics.minimumTrackWidth;
    info->ptMinTrackSize.y = metrics.minimumTrackHeight;
}

// The frame's restored rectangle in screen coordinates, whether it is shown
// normal, minimised or maximised: what the next start should open as. The
// placement is in workspace coordinates, which start at the work area's
// corner, so a taskbar on the left or at the top moves them.
std::optional<RECT> RestoredFrameRectangle(HWND frame)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(frame, &placement))
        return std::nullopt;
    RECT rect = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTOPRIMARY), &monitor))
        OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    return rect;
}

void OnFrameDestroy(HWND frame)
{
    if (const std::optional<RECT> rect = RestoredFrameRectangle(frame)) {
        AppSettings& settings = ProgramSettings();
        settings.windowLeft = rect->left;
        settings.windowTop = rect->top;
        settings.windowWidth = rect->right - rect->left;
        settings.windowHeight = rect->bottom - rect->top;
    }
    FrameState* state = FrameStateOf(frame);
    SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
    delete state;
    PostQuitMessage(0);
}

void SendCommand(HWND target, WPARAM wParam, LPARAM lParam)
{
    if (target != nullptr)
        SendMessageW(target, WM_COMMAND, wParam, lParam);
}

void OnFrameCommand(HWND frame, int command, int notification, HWND control)
{
    const WPARAM wParam = MAKEWPARAM(command, notification);
    const LPARAM lParam = reinterpret_cast<LPARAM>(control);
    switch (RouteFrameCommand(command)) {
    case FrameCommandTarget::Exit:
        DestroyWindow(frame);
        break;
    case FrameCommandTarget::TrackView:
        SendCommand(Shell().trackView, wParam, lParam);
        break;
    case FrameCommandTarget::VolumeListThenTrackView:
        SendCommand(Shell().volumeList, wParam, lParam);
        SendCommand(Shell().trackView, wParam, lParam);
        break;
    case FrameCommandTarget::About:
        ShowAboutBox(Shell().instance, frame);
        break;
    case FrameCommandTarget::TraceLog:
        ShowTraceLogDialog(frame);
        break;
    case FrameCommandTarget::InstallDriver:
        InstallDriverCommand(frame);
        break;
    case FrameCommandTarget::RemoveDriver:
        RemoveDriverCommand(frame);
        break;
    case FrameCommandTarget::UninstallShadowCopies:
        UninstallRemovedShadowCopyDevices(frame);
        break;
    case FrameCommandTarget::ToggleUsbExclusion:
    case FrameCommandTarget::ToggleVhdExclusion:
        ToggleDeviceExclusion(frame, command);
        break;
    default:
        break;
    }
}

void ForwardThemeChange()
{
    for (HWND window : {Shell().volumeList, Shell().statisticsList, Shell().trackView}) {
        if (window != nullptr)
            SendMessageW(window, WM_THEMECHANGED, 0, 0);
    }
}

LRESULT HandleFrameWindowMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnFrameCreate(frame, wParam, lParam);
    case WM_SIZE:
        OnFrameSize(frame, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(frame, reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND:
        OnFrameCommand(frame, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DEVICECHANGE:
        if (Shell().volumeList != nullptr)
            SendMessageW(Shell().volumeList, WM_DEVICECHANGE, wParam, lParam);
        return 0;
    case WM_THEMECHANGED:
        ForwardThemeChange();
        return 0;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
        // Only the frame is told when the user moves or sizes it; the map
        // pauses its polling meanwhile.
        if (Shell().trackView != nullptr)
            SendMessageW(Shell().trackView, message, wParam, lParam);
        return 0;
    case WM_DESTROY:
        OnFrameDestroy(frame);
        return 0;
    default:
        return DefWindowProcW(frame, message, wParam, lParam);
    }
}

LRESULT CALLBACK FrameWindowProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return HandleFrameWindowMessage(frame, message, wParam, lParam); }, message == WM_CREATE ? LRESULT{-1} : LRESULT{0});
}

} // namespace

bool RegisterMainFrameClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kMainFrameClassName, FrameWindowProc, 0, instance,
                                    LoadIconW(instance, MAKEINTRESOURCEW(kMainIconResource)),
                                    MAKEINTRESOURCEW(kMainMenuResource)});
}

HWND CreateMainFrame(HINSTANCE instance)
{
    const AppSettings& settings = ProgramSettings();
    const FramePlacement virtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                       GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const FramePlacement placement = SanitizeFramePlacement(
        {settings.windowLeft, settings.windowTop, settings.windowWidth, settings.windowHeight}, virtualScreen);
    return CreateWindowExW(0, kMainFrameClassName, kMainFrameTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, placement.left,
                           placement.top, placement.width, placement.height, nullptr, nullptr, instance, nullptr);
}

void AddStatisticsRow(HWND list, std::wstring_view label, std::wstring_view value)
{
    std::wstring labelText(label);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 65535;  // lands at the end
    item.pszText = labelText.data();
    const auto index = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (index < 0)
        return;
    std::wstring valueText(value);
    LVITEMW subItem{};
    subItem.iSubItem = 1;
    subItem.pszText = valueText.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&subItem));
}

void ShowErrorBox(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatBoundedV(kErrorTextChars, format, args);
    va_end(args);
    MessageBoxW(nullptr, text.c_str(), kErrorCaption, MB_ICONERROR | MB_OK);
}

bool EnablePrivilege(const wchar_t* name)
{
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken))
        return false;
    UniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
        return false;
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
}

} // namespace trackkit
