#include "tracelog/win32/trace_log_dialog.h"

#include <commctrl.h>

#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/wait_cursor.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "resources/resource_ids.h"
#include "settings/win32/registry_reader.h"
#include "tracelog/trace_dialog_layout.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/file_chooser.h"
#include "tracelog/win32/flags_panel_paint.h"
#include "tracelog/win32/trace_log_dialog_state.h"
#include "tracelog/win32/trace_log_location.h"
#include "tracelog/win32/trace_log_table.h"

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

void ResetFilterLists(TraceLogDialogState& state)
{
    ResetFilterList(state.deviceFilter, state.filters.devices);
    ResetFilterList(state.threadFilter, state.filters.threads);
}

// F5: the file read afresh with both filters back at "*".
void Refresh(TraceLogDialogState& state)
{
    const WaitCursor wait;
    ResetFilterLists(state);
    LoadTraceTable(state);
}

// The dialog's controls take the keyboard, so F5 is caught on its way to
// whichever of them has the focus. The table reports its keys itself
// (LVN_KEYDOWN) and is not subclassed: a subclass costs every one of the
// many messages a load sends the table a property lookup, which under Wine
// is a round trip to the server.
LRESULT CALLBACK RefreshKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR dialog)
{
    if (message == WM_KEYDOWN && wParam == VK_F5) {
        if (auto* state = DialogRecordOf<TraceLogDialogState>(reinterpret_cast<HWND>(dialog))) {
            HandleWithoutEscaping([&] { Refresh(*state); return 0; }, 0);
            return 0;
        }
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(control, RefreshKeyProc, kRefreshKeySubclassId);
    return DefSubclassProc(control, message, wParam, lParam);
}

void WatchRefreshKey(const TraceLogDialogState& state)
{
    for (HWND control : {state.chooseButton, state.deviceFilter, state.threadFilter, state.flagsPanel})
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
    const RECT table = ClientRectOf(state.table, dialog);
    state.margin = table.left;
    state.tableTop = table.top;
    state.topControlsRight = ClientRectOf(state.chooseButton, dialog).right;
}

// Takes the driver's DebugLogPath when it is usable; the path box shows the
// log path the table is loaded from, which may be one kept from an earlier
// opening.
void LocateLogPath(const TraceLogDialogState& state)
{
    if (std::optional<std::wstring> path = ReadDebugLogPath())
        *state.logPath = std::move(*path);
    SetWindowTextW(state.pathBox, state.logPath->c_str());
}

BOOL OnInitDialog(TraceLogDialogState& state)
{
    SetPropW(state.dialog, kVistaDialogProperty, reinterpret_cast<HANDLE>(1));
    state.dark = QueryDarkMode();
    const ScreenDpi dpi = MeasureDpi(nullptr);
    state.dpiX = dpi.x;
    state.dpiY = dpi.y;
    FetchControls(state);
    ResetFilterLists(state);
    PrepareTraceTable(state);
    LocateLogPath(state);
    WatchRefreshKey(state);
    LoadTraceTable(state);
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
    const WaitCursor wait;
    *state.logPath = std::move(*path);
    ResetFilterLists(state);
    SetWindowTextW(state.pathBox, state.logPath->c_str());
    LoadTraceTable(state);
}

void OnCommand(TraceLogDialogState& state, int id, int code)
{
    if (id == IDCANCEL && code == 0)
        EndDialog(state.dialog, kClosedResult);
    else if (code == CBN_SELCHANGE && (id == IDC_TRACE_LOG_DEVICE_FILTER || id == IDC_TRACE_LOG_THREAD_FILTER))
        LoadTraceTable(state);
    else if (code == BN_CLICKED && id == IDC_TRACE_LOG_CHOOSE)
        ChooseLogFile(state);
}

void OnItemChanged(TraceLogDialogState& state, const NMLISTVIEW& change)
{
    if ((change.uNewState & LVIS_SELECTED) == 0)
        return;
    if (const TraceEntry* entry = EntryAt(state, change.lParam)) {
        state.selectedFlags = entry->flags;
        InvalidateRect(state.flagsPanel, nullptr, FALSE);
    }
}

// Every notification is answered TRUE; only custom drawing and the emptying
// of the table have a result.
void OnNotify(TraceLogDialogState& state, NMHDR& header)
{
    LRESULT result = 0;
    if (header.hwndFrom == state.table) {
        switch (header.code) {
        case LVN_GETDISPINFOW:
            SupplyDeviceName(state, reinterpret_cast<NMLVDISPINFOW&>(header));
            break;
        case LVN_ITEMCHANGED:
            OnItemChanged(state, reinterpret_cast<const NMLISTVIEW&>(header));
            break;
        case LVN_DELETEALLITEMS:
            // No LVN_DELETEITEM for each row: the store is emptied in one go.
            result = TRUE;
            break;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_F5)
                Refresh(state);
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
        RemovePropW(state.dialog, kVistaDialogProperty);
        return FALSE;
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
        if (wParam != VK_F5)
            return FALSE;
        Refresh(state);
        return TRUE;
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
    return state;
}

const TraceEntry* EntryAt(const TraceLogDialogState& state, LPARAM itemParameter)
{
    if (itemParameter < 0 || static_cast<std::size_t>(itemParameter) >= state.store.size())
        return nullptr;
    return &state.store[static_cast<std::size_t>(itemParameter)];
}

const DLGPROC TraceLogDialogProc = RecordDialogProc<TraceLogDialogState, HandleTraceLogDialogMessage>;

std::uint32_t LoadTraceLog(HWND dialog)
{
    TraceLogDialogState* state = DialogRecordOf<TraceLogDialogState>(dialog);
    return state != nullptr ? LoadTraceTable(*state) : ERROR_INVALID_WINDOW_HANDLE;
}

void ShowTraceLogDialog(HWND owner, TraceLogDialogContext& context)
{
    DialogBoxParamW(CodeModule(), MAKEINTRESOURCEW(IDD_TRACE_LOG), owner, TraceLogDialogProc,
                    reinterpret_cast<LPARAM>(&context));
}

} // namespace trackkit
