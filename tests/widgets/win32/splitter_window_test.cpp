// The splitter and its drag shadow, run for real under Wine on a virtual X
// server. The grid and drag rules are tested natively.
#include "widgets/win32/splitter_window.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "support/window_text.h"
#include "widgets/win32/shadow_window.h"

namespace trackkit {
namespace {

using Box = std::array<long, 4>;  // left, top, right, bottom

const int kBar = MulDiv(4, MeasureDpi(nullptr).x, 96), kBarHeight = MulDiv(4, MeasureDpi(nullptr).y, 96);

// A shown top-level window with a 1000 x 700 client area. It is never
// destroyed: without a window manager, Wine waits two seconds for each shown
// window that goes.
HWND Host()
{
    RECT frame{0, 0, 1000, 700};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND host = CreateWindowExW(0, L"Static", L"splitter test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40,
                                30, frame.right - frame.left, frame.bottom - frame.top, {}, {}, {}, {});
    SetForegroundWindow(host);
    UpdateWindow(host);
    return host;
}

// A borderless child in the window colour, standing for a pane, its id -1 as the frame's are.
HWND Pane(HWND parent)
{
    return CreateWindowExW(0, L"Edit", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(INT_PTR{-1}), nullptr, nullptr);
}

Box Place(HWND window, HWND relativeTo)  // relative to another window's client area, or the screen
{
    const RECT rect = testing::RectInClient(window, relativeTo);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void Mouse(HWND window, UINT message, int x, int y)
{
    SendMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

std::vector<HWND> Shadows(bool visibleOnly = false)
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, kShadowWindowClass, nullptr)) != nullptr;)
        if (!visibleOnly || IsWindowVisible(window))
            found.push_back(window);
    return found;
}

TEST(SplitterWindow, IsCreatedAttachesOnlyItsOwnChildrenToFreeCellsAndShowsThemWithItself)
{
    HWND host = Host();
    HWND splitter = CreateSplitter(host, 2, 2);
    EXPECT_EQ(testing::ClassOf(splitter), kSplitterClass);
    EXPECT_EQ(GetWindowLongW(splitter, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
    EXPECT_EQ(CreateSplitter(nullptr, 1, 2), nullptr) << "a child needs a parent";

    HWND pane = Pane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 1, 1, 100, 100, pane));
    EXPECT_EQ(GetDlgCtrlID(pane), 1017);
    HWND impostor = Pane(host);  // not a splitter, though its user data looks like a record
    SetWindowLongPtrW(impostor, GWLP_USERDATA, 0x1234);
    HWND grandchild = Pane(pane);
    // Occupied; not a child; a grandchild; not a splitter.
    for (const auto& [parent, cell, child] : {std::tuple{splitter, 1, Pane(splitter)}, {splitter, 0, Pane(host)},
             {splitter, 0, grandchild}, {impostor, 0, Pane(impostor)}})
        EXPECT_FALSE(AttachPane(parent, cell, cell, 10, 10, child) || GetDlgCtrlID(child) != -1);

    HWND hiddenBefore = Pane(splitter);
    ShowWindow(hiddenBefore, SW_HIDE);
    ShowWindow(grandchild, SW_HIDE);
    const auto visible = [](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    ShowWindow(splitter, SW_HIDE);
    EXPECT_FALSE(visible(pane));
    ShowWindow(splitter, SW_SHOW);
    EXPECT_EQ((std::array{visible(pane), visible(hiddenBefore), visible(grandchild)}), (std::array{true, true, false}));
}

// The frame's outer splitter: two panes side by side, the left one 280 wide,
// the bar painted in the face colour. A drag shows a layered top-level shadow
// over the bar, which takes neither activation nor clicks, and resizes on
// release; losing the capture cancels it, and destroying the splitter takes
// its shadows along.
TEST(SplitterDrag, ShowsALayeredShadowWhileDraggingAndResizesOnRelease)
{
    HWND host = Host();
    HWND splitter = CreateSplitter(host, 1, 2);
    HWND left = Pane(splitter), right = Pane(splitter);
    AttachPane(splitter, 0, 0, 280, 280, left);
    AttachPane(splitter, 0, 1, 340, 340, right);
    SetWindowPos(splitter, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(splitter, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(300, 300));  // ignored
    EXPECT_EQ((std::array{Place(left, splitter), Place(right, splitter)}),
              (std::array{Box{0, 0, 280, 600}, Box{280 + kBar, 0, 800, 600}}));
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_NE(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ((std::array{GetPixel(WindowDc(splitter).Get(), 281, 10), GetPixel(WindowDc(splitter).Get(), 279, 10)}),
              (std::array{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOW)})) << "the bar, the pane";

    const std::size_t others = Shadows().size();  // of the earlier tests' splitters
    const int grip = kBar / 2;
    SetCursor(nullptr);
    Mouse(splitter, WM_MOUSEMOVE, 281, 300);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE)) << "over the bar";
    SetFocus(right);
    Mouse(splitter, WM_LBUTTONDOWN, 281, 300);
    EXPECT_EQ(std::pair(GetCapture(), GetFocus()), std::pair(splitter, splitter));
    const std::vector<HWND> shown = Shadows(true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Shadows().size(), others + 2) << "both shadows are made at the first drag";
    const LONG extended = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
    EXPECT_TRUE(GetParent(shown[0]) == nullptr && (GetWindowLongW(shown[0], GWL_EXSTYLE) & extended) == extended);
    EXPECT_EQ(Place(shown[0], splitter), (Box{280, 0, 280 + kBar, 600})) << "over the bar as it is";
    EXPECT_EQ(GetActiveWindow(), host) << "the shadow takes no activation";
    EXPECT_EQ(WindowFromPoint({Place(shown[0], nullptr)[0] + 1, 400}), splitter) << "clicks go to the window beneath";
    Mouse(splitter, WM_MOUSEMOVE, 300, 123);
    EXPECT_EQ(Place(shown[0], splitter), (Box{300 - grip, 0, 300 - grip + kBar, 600}));
    EXPECT_EQ(Place(left, splitter), (Box{0, 0, 280, 600})) << "the panes wait for the release";
    Mouse(splitter, WM_LBUTTONDOWN, 600, 300);  // a second press is ignored
    Mouse(splitter, WM_LBUTTONUP, 300, 123);
    EXPECT_TRUE(GetCapture() == nullptr && Shadows(true).empty());
    EXPECT_EQ((std::array{Place(left, splitter), Place(right, splitter)}),
              (std::array{Box{0, 0, 300 - grip, 600}, Box{300 - grip + kBar, 0, 800, 600}}));

    Mouse(splitter, WM_LBUTTONDOWN, 300 - grip, 10);
    Mouse(splitter, WM_MOUSEMOVE, 500, 10);
    EXPECT_EQ(Shadows().size(), others + 2) << "the second drag reuses both shadows";
    SetCapture(host);  // someone else takes the mouse
    EXPECT_TRUE(Shadows(true).empty()) << "gone at once, not left on the screen";
    Mouse(splitter, WM_LBUTTONUP, 520, 300);
    EXPECT_EQ(GetCapture(), host) << "the other window keeps its capture";
    ReleaseCapture();
    Mouse(splitter, WM_LBUTTONUP, 520, 300);  // nor does a later release apply the cancelled drag
    EXPECT_EQ(Place(left, splitter), (Box{0, 0, 300 - grip, 600}));

    Mouse(splitter, WM_LBUTTONDOWN, 300 - grip, 10);
    DestroyWindow(splitter);
    EXPECT_EQ(std::pair(Shadows().size(), GetCapture()), std::pair(others, HWND{}));
}

TEST(SplitterDrag, ACrossingShowsBothShadowsAndMovesBothBars)
{
    HWND splitter = CreateSplitter(Host(), 2, 2);
    HWND panes[4];
    for (int cell = 0; cell < 4; ++cell)
        ASSERT_TRUE(AttachPane(splitter, cell / 2, cell % 2, 300, 200, panes[cell] = Pane(splitter)));
    SetWindowPos(splitter, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    Mouse(splitter, WM_LBUTTONDOWN, 301, 201);
    EXPECT_EQ(Shadows(true).size(), 2u);
    Mouse(splitter, WM_MOUSEMOVE, 500 + kBar / 2, 350 + kBarHeight / 2);
    Mouse(splitter, WM_LBUTTONUP, 500 + kBar / 2, 350 + kBarHeight / 2);
    EXPECT_EQ(Place(panes[0], splitter), (Box{0, 0, 500, 350}));
    EXPECT_EQ(Place(panes[3], splitter), (Box{500 + kBar, 350 + kBarHeight, 800, 600}));
}

} // namespace
} // namespace trackkit
