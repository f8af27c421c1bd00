// The splitter and its drag shadow, run for real: windows created under Wine
// on a virtual X server, messages sent and the geometry and pixels read
// back. The grid, drag and stripe rules are tested natively; these tests pin
// what the windows add.
#include "widgets/win32/splitter_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "common/win32/window_objects.h"
#include "widgets/row_stripes.h"
#include "widgets/win32/shadow_window.h"

namespace trackkit {
namespace {

using Box = std::array<long, 4>;  // left, top, right, bottom

const int kBar = MulDiv(4, MeasureDpi(nullptr).x, 96);
const int kBarHeight = MulDiv(4, MeasureDpi(nullptr).y, 96);

void RegisterOnce(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSEXW known{};
    known.cbSize = sizeof(known);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &known))
        return;
    WNDCLASSEXW wanted = {};
    wanted.cbSize = sizeof(wanted);
    wanted.lpfnWndProc = procedure;
    wanted.hInstance = GetModuleHandleW(nullptr);
    wanted.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wanted.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wanted.lpszClassName = name;
    RegisterClassExW(&wanted);
}

int hostNotifications = 0;

// A shown top-level window with a 1000 x 700 client area, counting the
// WM_NOTIFYs it gets. It is never destroyed: without a window manager, Wine
// waits two seconds for each shown window that goes, and each test runs as
// a process of its own.
HWND Host()
{
    RegisterOnce(L"TrackKitTestHost", [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        hostNotifications += message == WM_NOTIFY;
        return DefWindowProcW(window, message, wParam, lParam);
    });
    RECT frame{0, 0, 1000, 700};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND host = CreateWindowExW(0, L"TrackKitTestHost", L"splitter test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40,
                                30, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(host, SW_SHOW);
    SetForegroundWindow(host);
    UpdateWindow(host);
    return host;
}

// A borderless child standing for a pane, its id -1 as the frame's are.
HWND Pane(HWND parent, DWORD extendedStyle = 0)
{
    RegisterOnce(L"TrackKitTestPane", DefWindowProcW);
    return CreateWindowExW(extendedStyle, L"TrackKitTestPane", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           0, 0, parent, reinterpret_cast<HMENU>(INT_PTR{-1}), GetModuleHandleW(nullptr), nullptr);
}

HWND ListPane(HWND parent, int rows)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 0, 0, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 250;
    column.pszText = const_cast<wchar_t*>(L"Description");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(L"x");
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    return list;
}

// A window's rectangle in its parent's client area, or on the screen.
Box Place(HWND window, bool onScreen = false)
{
    Box box{};
    GetWindowRect(window, reinterpret_cast<RECT*>(box.data()));
    MapWindowPoints(HWND_DESKTOP, onScreen ? nullptr : GetParent(window), reinterpret_cast<POINT*>(box.data()), 2);
    return box;
}
Box ScreenBox(HWND window) { return Place(window, true); }

Box OnScreen(HWND splitter, Box box)
{
    MapWindowPoints(splitter, HWND_DESKTOP, reinterpret_cast<POINT*>(box.data()), 2);
    return box;
}

void Size(HWND window, int width, int height)
{
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Mouse(HWND window, UINT message, int x, int y)
{
    SendMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                 MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y))));
}

std::vector<HWND> Shadows(bool visibleOnly = false)
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM list) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring_view(name) == kShadowWindowClass)
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    if (visibleOnly)
        std::erase_if(found, [](HWND shadow) { return !IsWindowVisible(shadow); });
    return found;
}

// The frame's outer splitter: two panes side by side, the left one 280 wide.
struct SideBySide {
    HWND host = Host();
    HWND splitter = CreateSplitter(host, 1, 2);
    HWND left = Pane(splitter);
    HWND right = Pane(splitter);
    SideBySide()
    {
        AttachPane(splitter, 0, 0, 280, 280, left);
        AttachPane(splitter, 0, 1, 340, 340, right);
        Size(splitter, 800, 600);
    }
};

TEST(SplitterWindow, IsCreatedAndAttachesOnlyItsOwnChildrenToFreeCells)
{
    HWND host = Host();
    HWND splitter = CreateSplitter(host, 2, 2);
    ASSERT_NE(splitter, nullptr);
    wchar_t name[64] = {};
    GetClassNameW(splitter, name, 64);
    EXPECT_STREQ(name, kSplitterClass);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(splitter, GWL_STYLE)) & 0xFFFF0000u, 0x52000000u);
    EXPECT_EQ(GetWindowLongW(splitter, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
    EXPECT_EQ(GetClassLongPtrW(splitter, GCL_STYLE), 0x23u) << "redrawn whole on resizing, double clicks";
    EXPECT_EQ(GetClassLongPtrW(splitter, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetDlgCtrlID(splitter), -1);
    EXPECT_EQ(CreateSplitter(host, 0, 1), nullptr);
    EXPECT_EQ(CreateSplitter(host, 1, 17), nullptr);
    EXPECT_EQ(CreateSplitter(nullptr, 1, 2), nullptr) << "a child needs a parent";

    HWND pane = Pane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 1, 1, 100, 100, pane));
    EXPECT_EQ(GetDlgCtrlID(pane), 1017);
    HWND spare = Pane(splitter);
    HWND impostor = Pane(host);  // not a splitter, though its user data looks like a record
    SetWindowLongPtrW(impostor, GWLP_USERDATA, 0x1234);
    const struct {
        const char* name;
        HWND splitter;
        int cell;
        HWND pane;
    } refused[] = {
        {"occupied", splitter, 1, spare},        {"not a child", splitter, 0, Pane(host)},
        {"a grandchild", splitter, 0, Pane(spare)}, {"a top-level window", splitter, 0, host},
        {"not a splitter", impostor, 0, Pane(impostor)},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(AttachPane(c.splitter, c.cell, c.cell, 10, 10, c.pane)) << c.name;
        if (c.pane != host) {
            EXPECT_EQ(GetDlgCtrlID(c.pane), -1) << c.name;
        }
    }
}

TEST(SplitterWindow, ShowsAndHidesItsDirectChildrenWithItself)
{
    HWND splitter = CreateSplitter(Host(), 1, 2);
    HWND shown = Pane(splitter);
    HWND hiddenBefore = Pane(splitter);
    HWND grandchild = Pane(shown);
    ShowWindow(hiddenBefore, SW_HIDE);
    ShowWindow(grandchild, SW_HIDE);
    const auto visible = [](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    ShowWindow(splitter, SW_HIDE);
    EXPECT_FALSE(visible(shown));
    ShowWindow(splitter, SW_SHOW);
    EXPECT_TRUE(visible(shown));
    EXPECT_TRUE(visible(hiddenBefore));
    EXPECT_FALSE(visible(grandchild));
}

TEST(SplitterWindow, PlacesThePanesAndPaintsTheBarsInTheFaceColour)
{
    SideBySide s;
    EXPECT_EQ(Place(s.right), (Box{280 + kBar, 0, 800, 600}));
    SendMessageW(s.splitter, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(300, 300));
    EXPECT_EQ(Place(s.left), (Box{0, 0, 280, 600})) << "a minimised size is ignored";
    RedrawWindow(s.host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_NE(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE));
    HDC dc = GetDC(s.splitter);
    EXPECT_EQ(GetPixel(dc, 281, 10), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(dc, 280 + kBar - 1, 590), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(dc, 279, 10), GetSysColor(COLOR_WINDOW)) << "the pane";
    ReleaseDC(s.splitter, dc);
}

// The splitter answers its own list views' custom draw with striped rows;
// the notifications stop at the splitter.
TEST(SplitterWindow, PaintsItsListViewsStripedInTheSystemColours)
{
    HWND host = Host();
    const int notificationsBefore = hostNotifications;
    HWND splitter = CreateSplitter(host, 2, 1);
    HWND list = ListPane(splitter, 4);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 400, 300, list));
    Size(splitter, 600, 500);
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF stripe = StripeColorFor(window, GetSysColor(COLOR_WINDOWTEXT));
    ASSERT_NE(stripe, window);
    HDC dc = GetDC(list);
    for (int row = 0; row < 4; ++row) {
        RECT item{};
        item.left = LVIR_BOUNDS;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(GetPixel(dc, item.left + 200, (item.top + item.bottom) / 2), row % 2 == 0 ? window : stripe) << row;
    }
    ReleaseDC(list, dc);
    EXPECT_EQ(hostNotifications, notificationsBefore);

    // Custom draw from a list view that is not the splitter's child, or
    // another notification, is left alone.
    const auto answer = [&](HWND from, UINT code) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = {from, static_cast<UINT_PTR>(GetDlgCtrlID(from)), code};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = 1;
        draw.clrTextBk = 0x123456;
        const LRESULT result = SendMessageW(splitter, WM_NOTIFY, draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&draw));
        return std::pair{result, draw.clrTextBk};
    };
    EXPECT_EQ(answer(list, NM_CUSTOMDRAW), (std::pair<LRESULT, COLORREF>{CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT, stripe}));
    EXPECT_EQ(answer(ListPane(host, 0), NM_CUSTOMDRAW), (std::pair<LRESULT, COLORREF>{0, 0x123456}));
    EXPECT_EQ(answer(list, NM_CLICK), (std::pair<LRESULT, COLORREF>{0, 0x123456}));

    // A theme change takes the system colours again.
    const INT elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF dark[] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    const COLORREF saved[] = {window, GetSysColor(COLOR_WINDOWTEXT)};
    SetSysColors(2, elements, dark);
    SendMessageW(splitter, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(answer(list, NM_CUSTOMDRAW).second, RGB(5, 5, 5));
    SetSysColors(2, elements, saved);
}

TEST(ShadowWindow, ShowsOverAWindowWithoutTakingActivationFocusOrClicks)
{
    HWND host = Host();
    HWND pane = Pane(host);
    Size(pane, 900, 600);
    SetFocus(pane);
    UniqueWindow shadow(CreateShadowWindow());
    ASSERT_TRUE(shadow);
    EXPECT_EQ(GetWindowLongW(shadow.Get(), GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW),
              WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetClassLongPtrW(shadow.Get(), GCL_STYLE), 0x23u);
    EXPECT_FALSE(IsWindowVisible(shadow.Get()));
    POINT corner{50, 100};
    ClientToScreen(host, &corner);

    SetWindowPos(shadow.Get(), HWND_TOP, corner.x, corner.y, 800, 4, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    EXPECT_EQ(ScreenBox(shadow.Get()), (Box{corner.x, corner.y, corner.x + 800, corner.y + 4}));
    EXPECT_EQ(GetActiveWindow(), host);
    EXPECT_EQ(GetFocus(), pane);
    EXPECT_EQ(WindowFromPoint({corner.x + 400, corner.y + 2}), pane) << "the click goes to the window beneath";

    WindowDc screen(nullptr);
    UniqueBitmap image = CreateShadowImage(screen.Get(), 800, 4);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(image.Get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBmih.biHeight, 4) << "bottom-up";
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    const auto* pixels = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    EXPECT_EQ(std::count(pixels, pixels + 3200, 0x90000000u), 3200);
}

TEST(SplitterDrag, ShowsALayeredShadowWhileDraggingAndResizesOnRelease)
{
    SideBySide s;
    const std::size_t others = Shadows().size();  // of earlier tests' splitters, in a single-process run
    const int grip = kBar / 2;
    SetCursor(nullptr);
    Mouse(s.splitter, WM_MOUSEMOVE, 281, 300);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE)) << "over the bar";

    Mouse(s.splitter, WM_LBUTTONDOWN, 281, 300);
    EXPECT_EQ(GetCapture(), s.splitter);
    const std::vector<HWND> shown = Shadows(true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Shadows().size(), others + 2) << "both shadows are made at the first drag";
    EXPECT_EQ(GetParent(shown[0]), nullptr);
    EXPECT_EQ(ScreenBox(shown[0]), OnScreen(s.splitter, {280, 0, 280 + kBar, 600})) << "over the bar as it is";

    for (const auto& [mouseX, barLeft] : {std::pair{400, 400 - grip}, {5000, 800 - kBar}, {300, 300 - grip}}) {
        Mouse(s.splitter, WM_MOUSEMOVE, mouseX, 123);
        EXPECT_EQ(ScreenBox(shown[0]), OnScreen(s.splitter, {barLeft, 0, barLeft + kBar, 600})) << mouseX;
        EXPECT_EQ(Place(s.left), (Box{0, 0, 280, 600})) << "the panes wait for the release";
    }
    Mouse(s.splitter, WM_LBUTTONDOWN, 600, 300);  // a second press is ignored

    Mouse(s.splitter, WM_LBUTTONUP, 300, 123);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(Shadows(true).empty());
    EXPECT_EQ(Place(s.left), (Box{0, 0, 300 - grip, 600}));
    EXPECT_EQ(Place(s.right), (Box{300 - grip + kBar, 0, 800, 600}));

    Mouse(s.splitter, WM_LBUTTONDOWN, 300 - grip, 10);
    EXPECT_EQ(Shadows(true).size(), 1u);
    Mouse(s.splitter, WM_LBUTTONUP, 300 - grip, 10);
    EXPECT_EQ(Shadows().size(), others + 2) << "the second drag reuses both shadows";
}

TEST(SplitterDrag, ACrossingShowsBothShadowsAndMovesBothBars)
{
    HWND splitter = CreateSplitter(Host(), 2, 2);
    HWND panes[4];
    for (int cell = 0; cell < 4; ++cell)
        ASSERT_TRUE(AttachPane(splitter, cell / 2, cell % 2, 300, 200, panes[cell] = Pane(splitter)));
    Size(splitter, 800, 600);

    Mouse(splitter, WM_LBUTTONDOWN, 301, 201);
    EXPECT_EQ(Shadows(true).size(), 2u);
    Mouse(splitter, WM_MOUSEMOVE, 500 + kBar / 2, 350 + kBarHeight / 2);
    Mouse(splitter, WM_LBUTTONUP, 500 + kBar / 2, 350 + kBarHeight / 2);
    EXPECT_EQ(Place(panes[0]), (Box{0, 0, 500, 350}));
    EXPECT_EQ(Place(panes[3]), (Box{500 + kBar, 350 + kBarHeight, 800, 600}));
}

// Panes with a border: dropping the bar where it is does not move it.
TEST(SplitterDrag, ABorderedPaneDoesNotPullTheBarOffTheShadow)
{
    HWND splitter = CreateSplitter(Host(), 2, 1);
    HWND top = Pane(splitter, WS_EX_CLIENTEDGE);
    AttachPane(splitter, 0, 0, 100, 200, top);
    AttachPane(splitter, 1, 0, 100, 100, Pane(splitter, WS_EX_CLIENTEDGE));
    Size(splitter, 400, 500);
    for (int drop = 0; drop < 3; ++drop) {
        Mouse(splitter, WM_LBUTTONDOWN, 50, 201);
        Mouse(splitter, WM_MOUSEMOVE, 50, 201);
        Mouse(splitter, WM_LBUTTONUP, 50, 201);
    }
    EXPECT_EQ(Place(top), (Box{0, 0, 400, 201 - kBarHeight / 2}));
}

TEST(SplitterDrag, LosingTheCaptureCancelsWithoutChangingTheLayout)
{
    SideBySide s;
    SetFocus(s.right);
    Mouse(s.splitter, WM_LBUTTONDOWN, 281, 300);
    Mouse(s.splitter, WM_MOUSEMOVE, 500, 300);
    ASSERT_EQ(Shadows(true).size(), 1u);
    EXPECT_EQ(GetFocus(), s.splitter);
    EXPECT_EQ(GetActiveWindow(), s.host) << "the shadow takes no activation";

    SetCapture(s.host);  // someone else takes the mouse
    EXPECT_TRUE(Shadows(true).empty()) << "gone at once, not left on the screen";
    Mouse(s.splitter, WM_MOUSEMOVE, 520, 300);
    Mouse(s.splitter, WM_LBUTTONUP, 520, 300);
    EXPECT_EQ(GetCapture(), s.host) << "the other window keeps its capture";
    EXPECT_EQ(Place(s.left), (Box{0, 0, 280, 600}));
    ReleaseCapture();
    Mouse(s.splitter, WM_LBUTTONUP, 520, 300);  // nor does a later release apply the cancelled drag
    EXPECT_EQ(Place(s.left), (Box{0, 0, 280, 600}));
}

TEST(SplitterDrag, DestroyingTheSplitterMidDragTakesItsShadowsAlong)
{
    SideBySide s;
    const std::size_t others = Shadows().size();
    Mouse(s.splitter, WM_LBUTTONDOWN, 281, 300);
    ASSERT_EQ(Shadows().size(), others + 2);
    DestroyWindow(s.splitter);
    EXPECT_EQ(Shadows().size(), others);
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
} // namespace trackkit
