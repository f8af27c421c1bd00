#include "widgets/win32/splitter_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <iterator>
#include <memory>
#include <new>
#include <optional>

#include "common/win32/gdi_objects.h"
#include "common/win32/message_guard.h"
#include "common/win32/window_class.h"
#include "common/win32/gdi_objects.h"
#include "widgets/row_stripes.h"
#include "widgets/splitter_drag.h"
#include "widgets/splitter_grid.h"
#include "widgets/win32/shadow_window.h"

namespace trackkit {
namespace {

// Widgets redraw whole on resize and keep their device context.
constexpr UINT kWidgetClassStyle = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;

constexpr UINT_PTR kSplitterControlId = 0xFFFFFFFF;

// One per splitter window, from WM_CREATE to WM_DESTROY.
struct SplitterState {
    HWND window = nullptr;
    SplitterGrid grid;
    std::optional<SplitterDrag> drag;  // engaged while a bar is dragged
    // Created at the first drag and reused for every later one.
    UniqueWindow shadowA;
    UniqueWindow shadowB;
};

// Shared by every splitter of the program: written when a splitter is created
// and when the theme changes.
RowStripeColors& ProgramStripeColors()
{
    static RowStripeColors colors;
    return colors;
}

void RefreshStripeColors()
{
    ProgramStripeColors() = MakeRowStripeColors(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT));
}

SplitterState* StateOf(HWND splitter)
{
    return reinterpret_cast<SplitterState*>(GetWindowLongPtrW(splitter, GWLP_USERDATA));
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
void LayOut(SplitterState& state)
{
    const Rect client = ClientOf(state.window);
    FitGrid(state.grid, client);
    for (int column = 0; column < state.grid.columnCount; ++column) {
        for (int row = 0; row < state.grid.rowCount; ++row) {
            HWND pane = GetDlgItem(state.window, PaneId(row, column));
            if (pane == nullptr)
                continue;
            const Rect cell = PaneRect(state.grid, client, row, column);
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
void UpdateShadows(SplitterState& state)
{
    if (!state.drag) {
        HideShadow(state.shadowA);
        HideShadow(state.shadowB);
        return;
    }
    if (!state.shadowA)
        state.shadowA.Reset(CreateShadowWindow());
    if (!state.shadowB)
        state.shadowB.Reset(CreateShadowWindow());
    if (state.shadowA)
        PlaceShadow(state.window, state.shadowA.Get(), state.drag->shadowA);
    if (state.drag->hasShadowB && state.shadowB)
        PlaceShadow(state.window, state.shadowB.Get(), state.drag->shadowB);
}

// Ends the drag without applying it. The capture is released only while this
// splitter holds it, so a capture another window took is left alone.
void CancelDrag(SplitterState& state)
{
    state.drag.reset();
    if (GetCapture() == state.window)
        ReleaseCapture();
    UpdateShadows(state);
}

LRESULT OnCreate(HWND splitter, const CREATESTRUCTW* creation)
{
    // The creation parameter hands the record over; from here on the window
    // owns it.
    auto* handover = creation != nullptr ? static_cast<std::unique_ptr<SplitterState>*>(creation->lpCreateParams) : nullptr;
    if (handover == nullptr || *handover == nullptr)
        return -1;
    SplitterState* state = handover->release();
    state->window = splitter;
    SetWindowLongPtrW(splitter, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return 0;
}

void OnDestroy(HWND splitter)
{
    std::unique_ptr<SplitterState> state(StateOf(splitter));
    SetWindowLongPtrW(splitter, GWLP_USERDATA, 0);
    if (state->drag && GetCapture() == splitter)
        ReleaseCapture();
    // Going out of scope destroys the shadow windows: they are top-level
    // windows and would otherwise outlive the splitter.
}

void OnSize(SplitterState& state, WPARAM kind, int width, int height)
{
    if (kind == SIZE_MINIMIZED || width == 0 || height == 0)
        return;
    LayOut(state);
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

void OnLeftButtonDown(SplitterState& state, GridPoint point)
{
    if (state.drag)
        return;
    const Rect client = ClientOf(state.window);
    const int code = HitTest(state.grid, client, point);
    std::optional<SplitterDrag> drag = BeginDrag(state.grid, client, code);
    if (!drag)
        return;
    SetCapture(state.window);
    SetFocus(state.window);
    // Pending paints finish before the shadows appear over them.
    RedrawWindow(state.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    state.drag = *drag;
    UpdateShadows(state);
    ShowCursorFor(code);
}

void OnMouseMove(SplitterState& state, GridPoint point)
{
    if (state.drag && GetCapture() != state.window)
        CancelDrag(state);
    if (state.drag) {
        if (DragTo(*state.drag, point).Any())
            UpdateShadows(state);
        return;
    }
    ShowCursorFor(HitTest(state.grid, ClientOf(state.window), point));
}

// The panes are resized once per drag, here.
void OnLeftButtonUp(SplitterState& state)
{
    if (!state.drag)
        return;
    const SplitterDrag drag = *state.drag;
    state.drag.reset();
    if (GetCapture() == state.window)
        ReleaseCapture();
    UpdateShadows(state);
    ApplyDrop(state.grid, ClientOf(state.window), drag);
    LayOut(state);
}

// Losing the capture mid-drag (another window took it, a menu or a dialog
// cancelled the mode) drops the drag at once, so its shadows never linger
// over the screen waiting for a mouse move that may not come.
void OnCaptureChanged(SplitterState& state, HWND newCapture)
{
    if (state.drag && newCapture != state.window)
        CancelDrag(state);
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
LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw)
{
    if ((draw.nmcd.dwDrawStage & ~static_cast<DWORD>(CDDS_SUBITEM)) == CDDS_ITEMPREPAINT) {
        const RowStripeColors& colors = ProgramStripeColors();
        draw.clrText = colors.text;
        draw.clrTextBk = RowBackground(colors, draw.nmcd.dwItemSpec);
    }
    return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

// The panes' notifications end here; none goes on to the splitter's parent.
// Only a list view that is a direct child gets stripes: other controls send
// a smaller custom-draw record that has no room for the list colours.
LRESULT OnNotify(SplitterState& state, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header == nullptr || header->code != static_cast<UINT>(NM_CUSTOMDRAW))
        return 0;
    if (!IsChildListView(state.window, header->hwndFrom))
        return CDRF_DODEFAULT;
    return OnListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
}

LRESULT HandleSplitterWindowMessage(HWND splitter, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return OnCreate(splitter, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    if (message == WM_ERASEBKGND)
        return 1;
    SplitterState* state = StateOf(splitter);
    if (state == nullptr)
        return DefWindowProcW(splitter, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        OnDestroy(splitter);
        return 0;
    case WM_SIZE:
        OnSize(*state, wParam, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        OnPaint(splitter);
        return 0;
    case WM_SHOWWINDOW:
        OnShowWindow(splitter, wParam != 0);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(*state, PointOf(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(*state, PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLeftButtonUp(*state);
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(*state, reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*state, lParam);
    case WM_THEMECHANGED:
        RefreshStripeColors();
        return 0;
    default:
        return DefWindowProcW(splitter, message, wParam, lParam);
    }
}

LRESULT CALLBACK SplitterWindowProc(HWND splitter, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return HandleSplitterWindowMessage(splitter, message, wParam, lParam); }, message == WM_CREATE ? LRESULT{-1} : LRESULT{0});
}

} // namespace

HWND CreateSplitter(HWND parent, int rows, int columns)
{
    if (!IsValidTrackCount(rows) || !IsValidTrackCount(columns))
        return nullptr;
    RefreshStripeColors();
    if (!RegisterWindowClassOnce({kSplitterClass, SplitterWindowProc, kWidgetClassStyle}))
        return nullptr;
    std::unique_ptr<SplitterState> state(new (std::nothrow) SplitterState{});
    if (state == nullptr)
        return nullptr;
    const ScreenDpi dpi = MeasureDpi(nullptr);  // the screen's
    const BarSizes bars = BarSizesForDpi(dpi.x, dpi.y);
    state->grid.barWidth = bars.width;
    state->grid.barHeight = bars.height;
    state->grid.rowCount = rows;
    state->grid.columnCount = columns;
    // WM_CREATE takes the record out of `state`; if the window never gets
    // that far, `state` still holds it and frees it here.
    return CreateWindowExW(WS_EX_CONTROLPARENT, kSplitterClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                           0, parent, reinterpret_cast<HMENU>(kSplitterControlId), CodeModule(), &state);
}

bool AttachPane(HWND splitter, int row, int column, int width, int height, HWND pane)
{
    if (!HasClassProcedure(splitter, SplitterWindowProc))
        return false;
    SplitterState* state = StateOf(splitter);
    if (state == nullptr)
        return false;
    SplitterGrid& grid = state->grid;
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
