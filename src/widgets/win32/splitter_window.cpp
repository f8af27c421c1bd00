#include "widgets/win32/splitter_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <iterator>
#include <memory>
#include <new>
#include <optional>

#include "common/win32/gdi_objects.h"
#include "common/win32/unique_handles.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "widgets/row_stripes.h"
#include "widgets/splitter_drag.h"
#include "widgets/splitter_grid.h"
#include "widgets/win32/shadow_window.h"

namespace trackkit {
namespace {

// Widgets redraw whole on resize and keep their device context.
constexpr UINT kWidgetClassStyle = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;

constexpr UINT_PTR kSplitterControlId = 0xFFFFFFFF;

// What CreateSplitter hands the window through its creation parameters.
struct SplitterSetup {
    int rows = 1;
    int columns = 1;
    BarSizes bars;
    RowStripeColors stripes;
};

// One per splitter window, from WM_NCCREATE to WM_NCDESTROY.
struct SplitterRecord {
    HWND window = nullptr;
    SplitterGrid grid;
    // The list-view rows' colours, taken from the system at creation and
    // again whenever the theme changes.
    RowStripeColors stripes;
    std::optional<SplitterDrag> drag;  // engaged while a bar is dragged
    // Created at the first drag and reused for every later one.
    UniqueWindow shadowA;
    UniqueWindow shadowB;

    static std::unique_ptr<SplitterRecord> Create(HWND window, const CREATESTRUCTW& creation);
};

std::unique_ptr<SplitterRecord> SplitterRecord::Create(HWND window, const CREATESTRUCTW& creation)
{
    const auto* setup = static_cast<const SplitterSetup*>(creation.lpCreateParams);
    if (setup == nullptr)
        return nullptr;
    std::unique_ptr<SplitterRecord> record(new (std::nothrow) SplitterRecord{});
    if (record == nullptr)
        return nullptr;
    record->window = window;
    record->grid.barWidth = setup->bars.width;
    record->grid.barHeight = setup->bars.height;
    record->grid.rowCount = setup->rows;
    record->grid.columnCount = setup->columns;
    record->stripes = setup->stripes;
    return record;
}

RowStripeColors SystemStripeColors()
{
    return MakeRowStripeColors(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
}

Rect ClientOf(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.left, client.top, client.right, client.bottom};
}

GridPoint PointOf(LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

void ShowCursorFor(int code)
{
    LPCWSTR shape = IDC_ARROW;
    switch (CursorForHit(code)) {
    case SplitterCursor::SizeNorthSouth:
        shape = IDC_SIZENS;
        break;
    case SplitterCursor::SizeWestEast:
        shape = IDC_SIZEWE;
        break;
    case SplitterCursor::SizeAll:
        shape = IDC_SIZEALL;
        break;
    case SplitterCursor::Arrow:
        break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
}

// Moves every pane to its cell; a cell without a pane is skipped.
void LayOut(SplitterRecord& splitter)
{
    const Rect client = ClientOf(splitter.window);
    FitGrid(splitter.grid, client);
    for (int column = 0; column < splitter.grid.columnCount; ++column) {
        for (int row = 0; row < splitter.grid.rowCount; ++row) {
            HWND pane = GetDlgItem(splitter.window, PaneId(row, column));
            if (pane == nullptr)
                continue;
            const Rect cell = PaneRect(splitter.grid, client, row, column);
            SetWindowPos(pane, nullptr, cell.left, cell.top, cell.Width(), cell.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_DEFERERASE);
        }
    }
}

void PlaceShadow(HWND splitter, HWND shadow, const Rect& band)
{
    POINT topLeft{band.left, band.top};
    POINT bottomRight{band.right, band.bottom};
    ClientToScreen(splitter, &topLeft);
    ClientToScreen(splitter, &bottomRight);
    SetWindowPos(shadow, HWND_TOP, topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void HideShadow(const UniqueWindow& shadow)
{
    if (shadow)
        ShowWindow(shadow.Get(), SW_HIDE);
}

// Shows the shadows where the drag says, or hides them when there is no drag.
// A shadow that cannot be created is simply not shown; the drag still works.
void UpdateShadows(SplitterRecord& splitter)
{
    if (!splitter.drag) {
        HideShadow(splitter.shadowA);
        HideShadow(splitter.shadowB);
        return;
    }
    if (!splitter.shadowA)
        splitter.shadowA.Reset(CreateShadowWindow());
    if (!splitter.shadowB)
        splitter.shadowB.Reset(CreateShadowWindow());
    if (splitter.shadowA)
        PlaceShadow(splitter.window, splitter.shadowA.Get(), splitter.drag->shadowA);
    if (splitter.drag->hasShadowB && splitter.shadowB)
        PlaceShadow(splitter.window, splitter.shadowB.Get(), splitter.drag->shadowB);
}

// Ends the drag without applying it. The capture is released only while this
// splitter holds it, so a capture another window took is left alone.
void CancelDrag(SplitterRecord& splitter)
{
    splitter.drag.reset();
    if (GetCapture() == splitter.window)
        ReleaseCapture();
    UpdateShadows(splitter);
}

// The drag ends before the capture goes, so the capture's change finds no
// drag to cancel. The shadows are top-level windows and would otherwise
// outlive the splitter.
void OnDestroy(SplitterRecord& splitter)
{
    const bool dragging = splitter.drag.has_value();
    splitter.drag.reset();
    if (dragging && GetCapture() == splitter.window)
        ReleaseCapture();
    splitter.shadowA.Reset();
    splitter.shadowB.Reset();
}

void OnSize(SplitterRecord& splitter, WPARAM kind, int width, int height)
{
    if (kind == SIZE_MINIMIZED || width == 0 || height == 0)
        return;
    LayOut(splitter);
}

// Only the bars show the splitter's own surface; the panes clip themselves
// out of it.
void OnPaint(HWND splitter)
{
    PaintScope paint(splitter);
    SetBkColor(paint.Dc(), GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(paint.Dc(), 0, 0, ETO_OPAQUE, &paint.Area(), nullptr, 0, nullptr);
}

void OnShowWindow(HWND splitter, bool shown)
{
    for (HWND child = GetWindow(splitter, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, shown ? SW_SHOW : SW_HIDE);
}

void OnLeftButtonDown(SplitterRecord& splitter, GridPoint point)
{
    if (splitter.drag)
        return;
    const Rect client = ClientOf(splitter.window);
    const int code = HitTest(splitter.grid, client, point);
    std::optional<SplitterDrag> drag = BeginDrag(splitter.grid, client, code);
    if (!drag)
        return;
    SetCapture(splitter.window);
    SetFocus(splitter.window);
    // Pending paints finish before the shadows appear over them.
    RedrawWindow(splitter.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    splitter.drag = *drag;
    UpdateShadows(splitter);
    ShowCursorFor(code);
}

void OnMouseMove(SplitterRecord& splitter, GridPoint point)
{
    if (splitter.drag && GetCapture() != splitter.window)
        CancelDrag(splitter);
    if (splitter.drag) {
        if (DragTo(*splitter.drag, point).Any())
            UpdateShadows(splitter);
        return;
    }
    ShowCursorFor(HitTest(splitter.grid, ClientOf(splitter.window), point));
}

// The panes are resized once per drag, here.
void OnLeftButtonUp(SplitterRecord& splitter)
{
    if (!splitter.drag)
        return;
    const SplitterDrag drag = *splitter.drag;
    splitter.drag.reset();
    if (GetCapture() == splitter.window)
        ReleaseCapture();
    UpdateShadows(splitter);
    ApplyDrop(splitter.grid, ClientOf(splitter.window), drag);
    LayOut(splitter);
}

// Losing the capture mid-drag (another window took it, a menu or a dialog
// cancelled the mode) drops the drag at once, so its shadows never linger
// over the screen waiting for a mouse move that may not come.
void OnCaptureChanged(SplitterRecord& splitter, HWND newCapture)
{
    if (splitter.drag && newCapture != splitter.window)
        CancelDrag(splitter);
}

bool IsChildListView(HWND splitter, HWND window)
{
    if (window == nullptr || GetAncestor(window, GA_PARENT) != splitter)
        return false;
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0)
        return false;
    return CompareStringOrdinal(name, -1, WC_LISTVIEWW, -1, TRUE) == CSTR_EQUAL;
}

// Alternating row backgrounds. Sub-item stages (CDDS_ITEMPREPAINT with
// CDDS_SUBITEM) get the row's colours too: the answer below also asks for
// them, and the list view may start each sub-item from its default colours.
LRESULT OnListCustomDraw(const RowStripeColors& colors, NMLVCUSTOMDRAW& draw)
{
    if ((draw.nmcd.dwDrawStage & ~static_cast<DWORD>(CDDS_SUBITEM)) == CDDS_ITEMPREPAINT) {
        draw.clrText = colors.text;
        draw.clrTextBk = RowBackground(colors, draw.nmcd.dwItemSpec);
    }
    return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

// The panes' notifications end here; none goes on to the splitter's parent.
// Only a list view that is a direct child gets stripes: other controls send
// a smaller custom-draw record that has no room for the list colours.
LRESULT OnNotify(SplitterRecord& splitter, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header == nullptr || header->code != static_cast<UINT>(NM_CUSTOMDRAW))
        return 0;
    if (!IsChildListView(splitter.window, header->hwndFrom))
        return CDRF_DODEFAULT;
    return OnListCustomDraw(splitter.stripes, *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
}

LRESULT HandleSplitterMessage(SplitterRecord& splitter, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_DESTROY:
        OnDestroy(splitter);
        return 0;
    case WM_SIZE:
        OnSize(splitter, wParam, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        OnPaint(splitter.window);
        return 0;
    case WM_SHOWWINDOW:
        OnShowWindow(splitter.window, wParam != 0);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(splitter, PointOf(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(splitter, PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLeftButtonUp(splitter);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(splitter, reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(splitter, lParam);
    case WM_THEMECHANGED:
        splitter.stripes = SystemStripeColors();
        return 0;
    default:
        return DefWindowProcW(splitter.window, message, wParam, lParam);
    }
}

constexpr WNDPROC kSplitterProcedure = RecordWindowProc<SplitterRecord, HandleSplitterMessage>;

} // namespace

HWND CreateSplitter(HWND parent, int rows, int columns)
{
    if (!IsValidTrackCount(rows) || !IsValidTrackCount(columns))
        return nullptr;
    if (!RegisterWindowClassOnce({kSplitterClass, kSplitterProcedure, kWidgetClassStyle}))
        return nullptr;
    const ScreenDpi dpi = MeasureDpi(nullptr);  // the screen's
    SplitterSetup setup{rows, columns, BarSizesForDpi(dpi.x, dpi.y), SystemStripeColors()};
    return CreateWindowExW(WS_EX_CONTROLPARENT, kSplitterClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                           0, parent, reinterpret_cast<HMENU>(kSplitterControlId), CodeModule(), &setup);
}

bool AttachPane(HWND splitter, int row, int column, int width, int height, HWND pane)
{
    if (!HasClassProcedure(splitter, kSplitterProcedure))
        return false;
    SplitterRecord* record = WindowRecordOf<SplitterRecord>(splitter);
    if (record == nullptr)
        return false;
    SplitterGrid& grid = record->grid;
    if (row < 0 || row >= grid.rowCount || column < 0 || column >= grid.columnCount)
        return false;
    if (pane == nullptr || !IsWindow(pane) || GetAncestor(pane, GA_PARENT) != splitter)
        return false;
    const int id = PaneId(row, column);
    if (GetDlgItem(splitter, id) != nullptr)
        return false;
    grid.columns[column].requested = width;
    grid.rows[row].requested = height;
    SetWindowLongPtrW(pane, GWLP_ID, id);
    return true;
}

} // namespace trackkit
