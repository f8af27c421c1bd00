#include "volumes/win32/volume_list_window.h"

#include <windows.h>
#include <windowsx.h>
#include <dbt.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>

#include "common/win32/gdi_objects.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "resources/command_ids.h"
#include "volumes/list_selection.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_state.h"

namespace trackkit {
namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL | WS_TABSTOP;
static_assert(kListStyle == 0x56210000);
constexpr int kLargeIconLimit = 32;  // icon cells wider than this take the extra-large system icons

// ----- repainting -----------------------------------------------------------

void InvalidateEntry(const VolumeListRecord& record, int index)
{
    if (const VolumeEntry* entry = record.list.At(index)) {
        const RECT rect{entry->itemRect.left, entry->itemRect.top, entry->itemRect.right, entry->itemRect.bottom};
        InvalidateRect(record.window, &rect, FALSE);
    }
}

void InvalidateEntries(const VolumeListRecord& record, const ItemsToRepaint& indices)
{
    for (int index : indices)
        InvalidateEntry(record, index);
}

// ----- creation -------------------------------------------------------------

SystemColors ReadSystemColors()
{
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE),
            GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)};
}

// At creation and on every theme change.
void LoadColors(VolumeListRecord& record)
{
    record.colors = ComputeListColors(ReadSystemColors());
    record.barFrameBrush.Reset(CreateSolidBrush(record.colors.barFrame));
    record.focusBrush.Reset(CreateSolidBrush(record.colors.focus));
}

// The status-bar font of the non-client metrics, or the stock GUI font when
// the system does not give it.
void LoadFont(VolumeListRecord& record)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        record.ownedFont.Reset(CreateFontIndirectW(&metrics.lfStatusFont));
    record.font = record.ownedFont ? record.ownedFont.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void LoadMetrics(VolumeListRecord& record)
{
    int fontHeight = 0;
    WindowDc dc(record.window);
    if (dc) {
        record.dpiX = GetDeviceCaps(dc.Get(), LOGPIXELSX);
        record.dpiY = GetDeviceCaps(dc.Get(), LOGPIXELSY);
        SelectedObject selected(dc.Get(), record.font);
        TEXTMETRICW text{};
        if (GetTextMetricsW(dc.Get(), &text))
            fontHeight = text.tmHeight;
    }
    record.metrics = ComputeListMetrics(record.dpiX, record.dpiY, GetSystemMetrics(SM_CXICON),
                                        GetSystemMetrics(SM_CYICON), fontHeight);
}

// The shell's system image list in the size of the icon cell; without it the
// items are drawn without icons.
void LoadImageList(VolumeListRecord& record)
{
    const int size = record.metrics.iconWidth > kLargeIconLimit ? SHIL_EXTRALARGE : SHIL_LARGE;
    IImageList* list = nullptr;
    if (SUCCEEDED(SHGetImageList(size, IID_PPV_ARGS(&list))))
        record.imageList.reset(list);
}

// ----- refresh --------------------------------------------------------------

// The scroll range follows the number of volumes and the pane's height: it
// is set again whenever either changes.
void UpdateScrollRange(const VolumeListRecord& record, int clientHeight)
{
    const ScrollRange range = ScrollRangeFor(record.list.Count(), record.metrics, clientHeight);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = range.minimum;
    info.nMax = range.maximum;
    info.nPage = static_cast<UINT>(range.page);
    SetScrollInfo(record.window, SB_VERT, &info, TRUE);
}

int ClientHeight(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client.bottom;
}

bool Refresh(VolumeListRecord& record, bool keepSelection)
{
    const VolumeListServices& services = record.services;
    const bool refreshed = RefreshVolumes(record.list, services.system, services.locale, keepSelection, services.host);
    if (refreshed) {
        UpdateScrollRange(record, ClientHeight(record.window));
        InvalidateRect(record.window, nullptr, FALSE);
    }
    return refreshed;
}

void OnCommand(VolumeListRecord& record, int command)
{
    if (command == IDM_VIEW_REFRESH_NOW)
        Refresh(record, true);
}

void OnDeviceChange(VolumeListRecord& record, WPARAM event, LPARAM data)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return;
    // These two events always carry a broadcast header; a sender that passes
    // none is ignored rather than trusted.
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header != nullptr && header->dbch_devicetype == DBT_DEVTYP_VOLUME)
        Refresh(record, true);
}

// ----- focus, keyboard and mouse --------------------------------------------

void OnFocus(VolumeListRecord& record, bool hasFocus)
{
    record.hasFocus = hasFocus;
    InvalidateEntry(record, record.list.selectedIndex);
}

void OnKeyDown(VolumeListRecord& record, WPARAM key)
{
    InvalidateEntries(record, MoveSelectionByKey(record.list, static_cast<std::uint32_t>(key), record.services.host));
}

void OnButtonDown(VolumeListRecord& record)
{
    if (!record.hasFocus)
        SetFocus(record.window);
    InvalidateEntries(record, SelectHotEntry(record.list, record.services.host));
}

void OnMouseMove(VolumeListRecord& record, int x, int y)
{
    if (!record.trackingMouse) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, record.window, 0};
        record.trackingMouse = TrackMouseEvent(&track) != FALSE;
    }
    InvalidateEntries(record, TrackPointer(record.list, x, y));
}

void OnMouseLeave(VolumeListRecord& record)
{
    record.trackingMouse = false;
    InvalidateEntries(record, ClearHotEntry(record.list));
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

void OnThemeChanged(VolumeListRecord& record)
{
    LoadColors(record);
    InvalidateRect(record.window, nullptr, FALSE);
}

// ----- the window procedure -------------------------------------------------

LRESULT HandleVolumeListMessage(VolumeListRecord& record, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SIZE: UpdateScrollRange(record, GET_Y_LPARAM(lParam)); return 0;
    case WM_SETFOCUS: OnFocus(record, true); return 0;
    case WM_KILLFOCUS: OnFocus(record, false); return 0;
    case WM_PAINT: PaintVolumeList(record); return 0;
    case WM_KEYDOWN: OnKeyDown(record, wParam); return 0;
    case WM_COMMAND: OnCommand(record, LOWORD(wParam)); return 0;
    case WM_VSCROLL: OnVScroll(record.window, LOWORD(wParam)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(record, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: OnButtonDown(record); return 0;
    case WM_DEVICECHANGE: OnDeviceChange(record, wParam, lParam); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(record); return 0;
    case WM_THEMECHANGED: OnThemeChanged(record); return 0;
    default: return DefWindowProcW(record.window, message, wParam, lParam);
    }
}

constexpr WNDPROC kVolumeListProc = RecordWindowProc<VolumeListRecord, HandleVolumeListMessage>;

// The public functions take any window handle: only a volume list's user
// data is its record.
VolumeListRecord* ListRecordOf(HWND window)
{
    return HasClassProcedure(window, kVolumeListProc) ? WindowRecordOf<VolumeListRecord>(window) : nullptr;
}

} // namespace

std::unique_ptr<VolumeListRecord> VolumeListRecord::Create(HWND window, const CREATESTRUCTW& create)
{
    const auto* services = static_cast<const VolumeListServices*>(create.lpCreateParams);
    if (services == nullptr)
        return nullptr;
    auto record = std::make_unique<VolumeListRecord>(window, *services);
    LoadColors(*record);
    LoadFont(*record);
    LoadMetrics(*record);
    LoadImageList(*record);
    return record;
}

bool RegisterVolumeListClass(HINSTANCE instance)
{
    return RegisterWindowClassOnce({kVolumeListClassName, kVolumeListProc, CS_HREDRAW | CS_VREDRAW, instance});
}

HWND CreateVolumeList(HWND parent, VolumeListHost& host, VolumeSystem& system, LocaleText& locale)
{
    const HINSTANCE instance = CodeModule();
    if (!RegisterVolumeListClass(instance))
        return nullptr;
    // Read during WM_NCCREATE only; the record keeps its own copy.
    VolumeListServices services{host, system, locale};
    return CreateWindowExW(0, kVolumeListClassName, L"", kListStyle, 0, 0, 0, 0, parent, nullptr, instance,
                           &services);
}

bool RefreshVolumeList(HWND list, bool keepSelection)
{
    VolumeListRecord* record = ListRecordOf(list);
    if (record == nullptr)
        return false;
    try {
        return Refresh(*record, keepSelection);
    } catch (...) {
        return false;
    }
}

void RefreshVolumeListFreeSpace(HWND list)
{
    VolumeListRecord* record = ListRecordOf(list);
    if (record == nullptr)
        return;
    // Runs inside the block map's timer message: a text that cannot be
    // allocated leaves the entries as they are rather than unwinding there.
    try {
        for (VolumeEntry& entry : record->list.entries)
            RefreshFreeSpace(entry, record->services.system, record->services.locale);
    } catch (...) {
    }
    InvalidateRect(record->window, nullptr, FALSE);
}

const VolumeList* VolumeListOf(HWND list)
{
    const VolumeListRecord* record = ListRecordOf(list);
    return record != nullptr ? &record->list : nullptr;
}

} // namespace trackkit
