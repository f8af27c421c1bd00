#include "volumes/win32/volume_list_window.h"

#include <windows.h>
#include <windowsx.h>
#include <dbt.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>
#include <new>

#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/window_class.h"
#include "resources/command_ids.h"
#include "common/win32/locale_text.h"
#include "volumes/list_selection.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_state.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL | WS_TABSTOP;
static_assert(kListStyle == 0x56210000);
constexpr int kLargeIconLimit = 32;  // icon cells wider than this take the extra-large system icons

LRESULT CALLBACK VolumeListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The module this code lives in: the class is registered for it and the
// windows are created with it.
HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&VolumeListWindowProc), &module);
    return module;
}

// The public functions take any window handle; only a volume list's user
// data is known to be a record, so the class is checked before the marker.
bool IsVolumeListWindow(HWND window)
{
    wchar_t className[64] = {};
    return window != nullptr && GetClassNameW(window, className, 64) > 0 &&
           std::wcscmp(className, kVolumeListClassName) == 0;
}

VolumeListState* ListStateOf(HWND window) { return IsVolumeListWindow(window) ? StateOf(window) : nullptr; }

// ----- repainting -----------------------------------------------------------

void InvalidateEntry(HWND window, const VolumeList& list, int index)
{
    if (const VolumeEntry* entry = list.At(index)) {
        const RECT rect{entry->itemRect.left, entry->itemRect.top, entry->itemRect.right, entry->itemRect.bottom};
        InvalidateRect(window, &rect, FALSE);
    }
}

void InvalidateEntries(HWND window, const VolumeList& list, const ItemsToRepaint& indices)
{
    for (int index : indices)
        InvalidateEntry(window, list, index);
}

// ----- creation -------------------------------------------------------------

SystemColors ReadSystemColors()
{
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE),
            GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)};
}

// At creation and on every theme change.
void LoadColors(VolumeListState& state)
{
    state.colors = ComputeListColors(ReadSystemColors());
    state.barFrameBrush.Reset(CreateSolidBrush(state.colors.barFrame));
    state.focusBrush.Reset(CreateSolidBrush(state.colors.focus));
}

// The status-bar font of the non-client metrics, or the stock GUI font when
// the system does not give it.
void LoadFont(VolumeListState& state)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        state.ownedFont.Reset(CreateFontIndirectW(&metrics.lfStatusFont));
    state.font = state.ownedFont ? state.ownedFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void LoadMetrics(HWND window, VolumeListState& state)
{
    int fontHeight = 0;
    WindowDc dc(window);
    if (dc) {
        state.dpiX = GetDeviceCaps(dc.Get(), LOGPIXELSX);
        state.dpiY = GetDeviceCaps(dc.Get(), LOGPIXELSY);
        SelectedObject selected(dc.Get(), state.font);
        TEXTMETRICW text{};
        if (GetTextMetricsW(dc.Get(), &text))
            fontHeight = text.tmHeight;
    }
    state.metrics = ComputeListMetrics(state.dpiX, state.dpiY, GetSystemMetrics(SM_CXICON),
                                       GetSystemMetrics(SM_CYICON), fontHeight);
}

// The shell's system image list in the size of the icon cell; without it the
// items are drawn without icons.
void LoadImageList(VolumeListState& state)
{
    const int size = state.metrics.iconWidth > kLargeIconLimit ? SHIL_EXTRALARGE : SHIL_LARGE;
    IImageList* list = nullptr;
    if (SUCCEEDED(SHGetImageList(size, IID_PPV_ARGS(&list))))
        state.imageList.reset(list);
}

BOOL OnNcCreate(HWND window, const CREATESTRUCTW* create)
{
    // CreateVolumeList passes the services; a window made without them has
    // nobody to tell of a selection and is not created.
    const auto* services = create != nullptr ? static_cast<const VolumeListServices*>(create->lpCreateParams) : nullptr;
    if (services == nullptr)
        return FALSE;
    std::unique_ptr<VolumeListState> state(new (std::nothrow) VolumeListState(window, *services));
    if (!state)
        return FALSE;
    LoadColors(*state);
    LoadFont(*state);
    LoadMetrics(window, *state);
    LoadImageList(*state);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    return TRUE;
}

void OnDestroy(HWND window)
{
    VolumeListState* state = StateOf(window);
    if (state == nullptr)
        return;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    state->marker = 0;
    delete state;  // the image list, font and brushes go with it
}

// ----- refresh --------------------------------------------------------------

// The scroll range follows the number of volumes and the pane's height: it
// is set again whenever either changes.
void UpdateScrollRange(HWND window, const VolumeListState& state, int clientHeight)
{
    const ScrollRange range = ScrollRangeFor(state.list.Count(), state.metrics, clientHeight);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = range.minimum;
    info.nMax = range.maximum;
    info.nPage = static_cast<UINT>(range.page);
    SetScrollInfo(window, SB_VERT, &info, TRUE);
}

int ClientHeight(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

bool Refresh(HWND window, VolumeListState& state, bool keepSelection)
{
    const bool refreshed = RefreshVolumes(state.list, state.services.system, state.services.locale, keepSelection,
                                          state.services.host);
    if (refreshed) {
        UpdateScrollRange(window, state, ClientHeight(window));
        InvalidateRect(window, nullptr, FALSE);
    }
    return refreshed;
}

void OnCommand(HWND window, VolumeListState& state, int command)
{
    if (command == IDM_VIEW_REFRESH_NOW)
        Refresh(window, state, true);
}

void OnDeviceChange(HWND window, VolumeListState& state, WPARAM event, LPARAM data)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return;
    // These two events always carry a broadcast header; a sender that passes
    // none is ignored rather than trusted.
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header != nullptr && header->dbch_devicetype == DBT_DEVTYP_VOLUME)
        Refresh(window, state, true);
}

// ----- focus, keyboard and mouse --------------------------------------------

void OnFocus(HWND window, VolumeListState& state, bool hasFocus)
{
    state.hasFocus = hasFocus;
    InvalidateEntry(window, state.list, state.list.selectedIndex);
}

void OnKeyDown(HWND window, VolumeListState& state, WPARAM key)
{
    InvalidateEntries(window, state.list,
                      MoveSelectionByKey(state.list, static_cast<std::uint32_t>(key), state.services.host));
}

void OnButtonDown(HWND window, VolumeListState& state)
{
    if (!state.hasFocus)
        SetFocus(window);
    InvalidateEntries(window, state.list, SelectHotEntry(state.list, state.services.host));
}

void OnMouseMove(HWND window, VolumeListState& state, int x, int y)
{
    if (!state.trackingMouse) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
        state.trackingMouse = TrackMouseEvent(&track) != FALSE;
    }
    InvalidateEntries(window, state.list, TrackPointer(state.list, x, y));
}

void OnMouseLeave(HWND window, VolumeListState& state)
{
    state.trackingMouse = false;
    InvalidateEntries(window, state.list, ClearHotEntry(state.list));
}

// ----- scrolling ------------------------------------------------------------

void OnVScroll(HWND window, int requestCode)
{
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(window, SB_VERT, &info))
        return;
    const ScrollState current{info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos, info.nTrackPos};
    const auto target = ScrollTarget(static_cast<std::uint32_t>(requestCode), current);
    if (!target)
        return;
    info.fMask = SIF_POS;
    info.nPos = *target;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    InvalidateRect(window, nullptr, FALSE);
}

void OnThemeChanged(HWND window, VolumeListState& state)
{
    LoadColors(state);
    InvalidateRect(window, nullptr, FALSE);
}

// ----- the window procedure -------------------------------------------------

// Messages that need the record; false when the message is not one of them.
bool HandleWithState(HWND window, VolumeListState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE: UpdateScrollRange(window, state, GET_Y_LPARAM(lParam)); return true;
    case WM_SETFOCUS: OnFocus(window, state, true); return true;
    case WM_KILLFOCUS: OnFocus(window, state, false); return true;
    case WM_PAINT: PaintVolumeList(window, state); return true;
    case WM_KEYDOWN: OnKeyDown(window, state, wParam); return true;
    case WM_COMMAND: OnCommand(window, state, LOWORD(wParam)); return true;
    case WM_VSCROLL: OnVScroll(window, LOWORD(wParam)); return true;
    case WM_MOUSEMOVE: OnMouseMove(window, state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: OnButtonDown(window, state); return true;
    case WM_DEVICECHANGE: OnDeviceChange(window, state, wParam, lParam); return true;
    case WM_MOUSELEAVE: OnMouseLeave(window, state); return true;
    case WM_THEMECHANGED: OnThemeChanged(window, state); return true;
    default: return false;
    }
}

bool NeedsState(UINT message)
{
    switch (message) {
    case WM_SIZE: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_KEYDOWN: case WM_COMMAND: case WM_VSCROLL:
    case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_DEVICECHANGE: case WM_MOUSELEAVE:
    case WM_THEMECHANGED:
        return true;
    default:
        return false;
    }
}

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        if (!OnNcCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam)))
            return FALSE;
        // The default handling still sets up the window's text and scroll bar.
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: break;
    }
    if (VolumeListState* state = StateOf(window)) {
        if (HandleWithState(window, *state, message, wParam, lParam))
            return 0;
    } else if (NeedsState(message)) {
        return 0;  // the record is gone or was never made: nothing to act on
    }
    // Includes WM_PAINT without a record, which the default handling validates.
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK VolumeListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return Dispatch(window, message, wParam, lParam); },
                                 message == WM_NCCREATE ? LRESULT{FALSE} : LRESULT{0});
}

VolumeSystem& SystemVolumes()
{
    static WindowsVolumeSystem volumes;
    return volumes;
}

LocaleText& UserLocaleText()
{
    static WindowsLocaleText locale;
    return locale;
}

} // namespace

VolumeListState* StateOf(HWND window)
{
    auto* state = reinterpret_cast<VolumeListState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return state != nullptr && state->marker == sizeof(VolumeListState) ? state : nullptr;
}

void ListFreeSpace::RefreshFreeSpace()
{
    VolumeListState* state = StateOf(window_);
    if (state == nullptr)
        return;
    // Runs inside the block map's timer message: a text that cannot be
    // allocated leaves the entries as they are rather than unwinding there.
    try {
        for (VolumeEntry& entry : state->list.entries)
            trackkit::RefreshFreeSpace(entry, state->services.system, state->services.locale);
    } catch (...) {
    }
    InvalidateRect(window_, nullptr, FALSE);
}

bool RegisterVolumeListClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kVolumeListClassName, VolumeListWindowProc, CS_HREDRAW | CS_VREDRAW, instance});
}

HWND CreateVolumeList(HWND parent, VolumeListHost& host)
{
    return CreateVolumeList(parent, host, SystemVolumes(), UserLocaleText());
}

HWND CreateVolumeList(HWND parent, VolumeListHost& host, VolumeSystem& system, LocaleText& locale)
{
    const HINSTANCE instance = ThisModule();
    if (!RegisterVolumeListClass(instance))
        return nullptr;
    // Read during WM_NCCREATE only; the record keeps its own copy.
    VolumeListServices services{host, system, locale};
    return CreateWindowExW(0, kVolumeListClassName, L"", kListStyle, 0, 0, 0, 0, parent, nullptr, instance,
                           &services);
}

bool RefreshVolumeList(HWND list, bool keepSelection)
{
    VolumeListState* state = ListStateOf(list);
    if (state == nullptr)
        return false;
    try {
        return Refresh(list, *state, keepSelection);
    } catch (...) {
        return false;
    }
}

FreeSpaceRefresher* VolumeListFreeSpace(HWND list)
{
    VolumeListState* state = ListStateOf(list);
    return state != nullptr ? &state->freeSpace : nullptr;
}

const VolumeList* VolumeListOf(HWND list)
{
    const VolumeListState* state = ListStateOf(list);
    return state != nullptr ? &state->list : nullptr;
}

} // namespace trackkit
