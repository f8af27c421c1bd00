#include "tracelog/win32/trace_log_dialog.h"

#include <commctrl.h>

#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/window_placement.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "resources/resource_ids.h"
#include "settings/win32/registry_reader.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/file_chooser.h"
#include "tracelog/win32/flags_panel_paint.h"
#include "tracelog/win32/trace_log_commands.h"
#include "tracelog/win32/trace_log_dialog_state.h"
#include "tracelog/win32/trace_log_location.h"
#include "tracelog/win32/trace_log_table.h"
#include "tracelog/win32/trace_log_tasks.h"

namespace trackkit {
namespace {

constexpr wchar_t kVistaDialogProperty[] = L"VistaDialog";
constexpr INT_PTR kClosedResult = 2;
constexpr UINT_PTR kRefreshKeySubclassId = 1;

RECT ClientRectOf(HWND control, HWND dialog)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The keys the dialog answers wherever the focus is: F5 (the file read
// afresh, both filters back to "*"), Ctrl+F, F3, Shift+F3, Ctrl+C and
// Ctrl+A. True when the key was one of them.
bool HandleTraceDialogKey(TraceLogDialogState& state, WPARAM key)
{
    if (key == VK_F5)
        StartLoad(state);
    else if (key == VK_F3)
        FindAgain(state, !IsDown(VK_SHIFT));
    else if (key == 'F' && IsDown(VK_CONTROL))
        OpenFindBar(state);
    else if (key == 'C' && IsDown(VK_CONTROL))
        StartCopy(state);
    else if (key == 'A' && IsDown(VK_CONTROL))
        SelectAllRows(state);
    else
        return false;
    return true;
}

// The dialog's controls take the keyboard, so F5 is caught on its way to
// whichever of them has the focus. The table reports its keys itself
// (LVN_KEYDOWN).
LRESULT CALLBACK RefreshKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR dialog)
{
    if (message == WM_KEYDOWN) {
        auto* state = DialogRecordOf<TraceLogDialogState>(reinterpret_cast<HWND>(dialog));
        if (state != nullptr && HandleWithoutEscaping([&] { return HandleTraceDialogKey(*state, wParam); }, false))
            return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(control, RefreshKeyProc, kRefreshKeySubclassId);
    return DefSubclassProc(control, message, wParam, lParam);
}

void WatchRefreshKey(const TraceLogDialogState& state)
{
    for (HWND control : {state.chooseButton, state.saveAsButton, state.deviceFilter, state.threadFilter, state.flagsPanel})
        SetWindowSubclass(control, RefreshKeyProc, kRefreshKeySubclassId, reinterpret_cast<DWORD_PTR>(state.dialog));
}

void FetchControls(TraceLogDialogState& state)
{
    HWND dialog = state.dialog;
    state.pathBox = GetDlgItem(dialog, IDC_TRACE_LOG_PATH);
    state.chooseButton = GetDlgItem(dialog, IDC_TRACE_LOG_CHOOSE);
    state.deviceFilter = GetDlgItem(dialog, IDC_TRACE_LOG_DEVICE_FILTER);
    state.threadFilter = GetDlgItem(dialog, IDC_TRACE_LOG_THREAD_FILTER);
    state.table = GetDlgItem(dialog, IDC_TRACE_LOG_TABLE);
    state.flagsPanel = GetDlgItem(dialog, IDC_TRACE_LOG_FLAGS_PANEL);
    state.statusLine = GetDlgItem(dialog, IDC_TRACE_LOG_STATUS);
    state.saveAsButton = GetDlgItem(dialog, IDC_TRACE_LOG_SAVE_AS);
    const RECT table = ClientRectOf(state.table, dialog);
    state.margin = table.left;
    state.tableTop = table.top;
    state.topControlsRight = ClientRectOf(state.saveAsButton, dialog).right;
}

// Takes the driver's DebugLogPath when it is usable; the path box shows the
// log path the table is loaded from, which may be one kept from an earlier
// opening.
void LocateLogPath(const TraceLogDialogState& state)
{
    if (std::optional<std::wstring> path = state.readRegisteredPath ? ReadDebugLogPath() : std::nullopt)
        *state.logPath = std::move(*path);
    SetWindowTextW(state.pathBox, state.logPath->c_str());
}

bool UsablePosition(int value) { return value != kUseDefaultPosition; }

// The size and position the dialog was closed with, when there are any and
// its title bar would be on a screen.
void RestorePlacement(const TraceLogDialogState& state)
{
    if (state.placement == nullptr)
        return;
    const AppSettings& kept = *state.placement;
    if (!UsablePosition(kept.traceLogLeft) || !UsablePosition(kept.traceLogTop) || kept.traceLogWidth <= 0 ||
        kept.traceLogHeight <= 0 || !UsablePosition(kept.traceLogWidth) || !UsablePosition(kept.traceLogHeight))
        return;
    const RECT titleBar{kept.traceLogLeft, kept.traceLogTop, kept.traceLogLeft + kept.traceLogWidth,
                        kept.traceLogTop + GetSystemMetrics(SM_CYCAPTION)};
    if (MonitorFromRect(&titleBar, MONITOR_DEFAULTTONULL) == nullptr)
        return;
    SetWindowPos(state.dialog, nullptr, kept.traceLogLeft, kept.traceLogTop, kept.traceLogWidth, kept.traceLogHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The restored rectangle (not the maximised one) is what the next opening gets.
void StorePlacement(const TraceLogDialogState& state)
{
    const std::optional<RECT> rect = state.placement != nullptr ? RestoredWindowRect(state.dialog) : std::nullopt;
    if (!rect)
        return;
    AppSettings& kept = *state.placement;
    kept.traceLogLeft = rect->left;
    kept.traceLogTop = rect->top;
    kept.traceLogWidth = rect->right - rect->left;
    kept.traceLogHeight = rect->bottom - rect->top;
}

BOOL OnInitDialog(TraceLogDialogState& state)
{
    SetPropW(state.dialog, kVistaDialogProperty, reinterpret_cast<HANDLE>(1));
    state.dark = QueryDarkMode();
    const ScreenDpi dpi = MeasureDpi(nullptr);
    state.dpiX = dpi.x;
    state.dpiY = dpi.y;
    FetchControls(state);
    PrepareTraceTable(state);
    LocateLogPath(state);
    WatchRefreshKey(state);
    WatchRangeSelection(state.table);
    CreateTraceFindBar(state);
    RestorePlacement(state);
    StartLoad(state);
    return TRUE;
}

void ChooseLogFile(TraceLogDialogState& state)
{
    const std::optional<std::wstring> chosen = ChooseExistingFile(state.dialog);
    if (!chosen)
        return;
    // A path longer than the log path holds is refused rather than cut: a
    // cut path would name another file.
    std::optional<std::wstring> path = FitLogPath(*chosen);
    if (!path)
        return;
    *state.logPath = std::move(*path);
    SetWindowTextW(state.pathBox, state.logPath->c_str());
    StartLoad(state);
}

// A header click: sorts by that column, or the other way round when it is
// the sorted column already.
void SortByColumn(TraceLogDialogState& state, int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= kTraceColumnCount)
        return;
    const auto chosen = static_cast<TraceColumn>(column);
    state.sortDescending = state.sortColumn == chosen && !state.sortDescending;
    state.sortColumn = chosen;
    MarkSortedHeader(state);
    StartRows(state);
}

// Escape stops what runs; with nothing running it closes the dialog.
void OnCommand(TraceLogDialogState& state, int id, int code)
{
    if (id == IDCANCEL && code == 0) {
        if (!StopWork(state))
            EndDialog(state.dialog, kClosedResult);
    } else if (code == CBN_SELCHANGE && (id == IDC_TRACE_LOG_DEVICE_FILTER || id == IDC_TRACE_LOG_THREAD_FILTER)) {
        StartRows(state);
    } else if (code == BN_CLICKED && id == IDC_TRACE_LOG_CHOOSE) {
        ChooseLogFile(state);
    } else if (code == BN_CLICKED && id == IDC_TRACE_LOG_SAVE_AS) {
        SaveListedRows(state);
    }
}

// Every notification is answered 0; only custom drawing has a result.
void OnNotify(TraceLogDialogState& state, NMHDR& header)
{
    LRESULT result = 0;
    if (header.hwndFrom == state.table) {
        switch (header.code) {
        case LVN_GETDISPINFOW:
            SupplyCellText(state, reinterpret_cast<NMLVDISPINFOW&>(header));
            break;
        case LVN_ITEMCHANGED:
            OnRowChanged(state, reinterpret_cast<const NMLISTVIEW&>(header));
            break;
        case LVN_ODSTATECHANGED:
            OnRowRangeChanged(state, reinterpret_cast<const NMLVODSTATECHANGE&>(header));
            break;
        case LVN_COLUMNCLICK:
            SortByColumn(state, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            break;
        case LVN_KEYDOWN:
            HandleTraceDialogKey(state, reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
            break;
        case NM_CUSTOMDRAW:
            result = AnswerTableCustomDraw(state, reinterpret_cast<NMLVCUSTOMDRAW&>(header));
            break;
        default:
            break;
        }
    }
    SetWindowLongPtrW(state.dialog, DWLP_MSGRESULT, result);
}

void OnWindowPosChanged(const TraceLogDialogState& state)
{
    RECT client{};
    GetClientRect(state.dialog, &client);
    const TraceDialogLayout layout = LayoutTraceDialog(state.margin, state.tableTop, client.right, client.bottom, state.dpiY);
    SetWindowPos(state.table, nullptr, 0, 0, layout.table.Width(), layout.table.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    SetWindowPos(state.statusLine, nullptr, layout.status.left, layout.status.top, layout.status.Width(),
                 layout.status.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    SetWindowPos(state.flagsPanel, nullptr, layout.panel.left, layout.panel.top, layout.panel.Width(),
                 layout.panel.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void OnGetMinMaxInfo(const TraceLogDialogState& state, MINMAXINFO& info)
{
    const ClientSize minimum = MinimumTraceDialogClient(state.margin, state.tableTop, state.topControlsRight, state.dpiY);
    RECT window{0, 0, minimum.width, minimum.height};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongPtrW(state.dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(state.dialog, GWL_EXSTYLE)));
    info.ptMinTrackSize.x = window.right - window.left;
    info.ptMinTrackSize.y = window.bottom - window.top;
}

void OnEraseBackground(HWND dialog, HDC dc)
{
    RECT client{};
    GetClientRect(dialog, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
}

INT_PTR OnControlColor(HDC dc)
{
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

bool IsControlColorMessage(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == 0x0019;  // WM_CTLCOLOR
}

INT_PTR HandleTraceLogDialogMessage(TraceLogDialogState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsControlColorMessage(message))
        return OnControlColor(reinterpret_cast<HDC>(wParam));
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(state);
    case WM_DESTROY:
        DropWork(state);
        StorePlacement(state);
        RemovePropW(state.dialog, kVistaDialogProperty);
        return FALSE;
    case WM_CLOSE:
        // The close box ends the dialog even while a load runs (Escape
        // stops the load first).
        EndDialog(state.dialog, kClosedResult);
        return TRUE;
    case kTraceTaskProgressMessage:
        OnTaskProgress(state, wParam);
        return TRUE;
    case kTraceTaskDoneMessage:
        OnTaskDone(state, wParam);
        return TRUE;
    case kTraceSavingProgressMessage:
        OnSavingProgress(state, wParam);
        return TRUE;
    case kTraceSavingDoneMessage:
        OnSavingDone(state, wParam);
        return TRUE;
    case WM_SETCURSOR:
        // The wait cursor over the dialog while it waits for a load.
        if (state.taskKind != TraceTask::Load)
            return FALSE;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SetWindowLongPtrW(state.dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        OnCommand(state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        OnNotify(state, *reinterpret_cast<NMHDR*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_TRACE_LOG_FLAGS_PANEL)
            return FALSE;
        PaintFlagsPanel(state.dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), state.selectedFlags, state.dpiX);
        return TRUE;
    case WM_WINDOWPOSCHANGED:
        OnWindowPosChanged(state);
        return FALSE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(state, *reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_ERASEBKGND:
        OnEraseBackground(state.dialog, reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_THEMECHANGED:
        state.dark = QueryDarkMode();
        InvalidateRect(state.table, nullptr, TRUE);
        return FALSE;
    case WM_KEYDOWN:
        return HandleTraceDialogKey(state, wParam) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

} // namespace

std::unique_ptr<TraceLogDialogState> TraceLogDialogState::Create(HWND dialog, LPARAM initParameter)
{
    const TraceLogDialogContext none;
    const auto* given = reinterpret_cast<const TraceLogDialogContext*>(initParameter);
    const TraceLogDialogContext& context = given != nullptr ? *given : none;
    auto state = std::make_unique<TraceLogDialogState>();
    state->dialog = dialog;
    state->themeLoaded = context.themeLoaded;
    state->logPath = context.rememberedPath != nullptr ? context.rememberedPath : &state->ownLogPath;
    state->placement = context.settings;
    state->readRegisteredPath = context.readRegisteredPath;
    return state;
}

bool TraceLogDialogState::PressDialogKey(WPARAM key) { return HandleTraceDialogKey(*this, key); }

const DLGPROC TraceLogDialogProc = RecordDialogProc<TraceLogDialogState, HandleTraceLogDialogMessage>;

bool IsTraceLogBusy(HWND dialog)
{
    const TraceLogDialogState* state = DialogRecordOf<TraceLogDialogState>(dialog);
    return state != nullptr && (state->task != nullptr || state->saving != nullptr);
}

std::uint32_t TraceLogPanelFlags(HWND dialog)
{
    const TraceLogDialogState* state = DialogRecordOf<TraceLogDialogState>(dialog);
    return state != nullptr ? state->selectedFlags : 0;
}

bool ShowTraceLogDialog(HWND owner, TraceLogDialogContext& context)
{
    return DialogBoxParamW(CodeModule(), MAKEINTRESOURCEW(IDD_TRACE_LOG), owner, TraceLogDialogProc,
                           reinterpret_cast<LPARAM>(&context)) == kClosedResult;
}

} // namespace trackkit
