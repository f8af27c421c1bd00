// The splitter and its drag shadow for real under Wine; the grid and drag rules are tested natively.
#include "widgets/win32/splitter_window.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <tuple>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "support/window_text.h"
#include "widgets/win32/shadow_window.h"

namespace trackkit {
namespace {

using Box = std::array<long, 4>;  // left, top, right, bottom

const int kBar = MulDiv(4, MeasureDpi(nullptr).x, 96), kBarHeight = MulDiv(4, MeasureDpi(nullptr).y, 96);

// A shown 1000 x 700 window, never destroyed: without a window manager, Wine waits two seconds for each that goes.
HWND Host()
{
    HWND host = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 40, 30, 1000, 700, {}, {},
                                {}, {});
    SetForegroundWindow(host);
    return host;
}

// A borderless child in the window colour, standing for a pane, its id -1 as the frame's are.
HWND Pane(HWND parent)
{
    return CreateWindowExW(0, L"Edit", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(INT_PTR{-1}), nullptr, nullptr);
}

// Relative to another window's client area, or the screen.
Box Place(HWND window, HWND to) { return std::bit_cast<Box>(testing::RectInClient(window, to)); }
void Mouse(HWND window, UINT message, int x, int y) { SendMessageW(window, message, 0, MAKELPARAM(x, y)); }

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
    HWND host = Host(), splitter = CreateSplitter(host, 2, 2);
    EXPECT_EQ(std::tuple(testing::ClassOf(splitter), GetWindowLongW(splitter, GWL_EXSTYLE) & WS_EX_CONTROLPARENT,
                         CreateSplitter(nullptr, 1, 2)), std::tuple(kSplitterClass, WS_EX_CONTROLPARENT, HWND{}));

    HWND pane = Pane(splitter), grandchild = Pane(pane), hiddenBefore = Pane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 1, 1, 100, 100, pane));
    EXPECT_EQ(GetDlgCtrlID(pane), 1017);
    HWND impostor = Pane(host);  // not a splitter, though its user data looks like a record
    SetWindowLongPtrW(impostor, GWLP_USERDATA, 0x1234);
    // Occupied; not a child; a grandchild; not a splitter.
    for (const auto& [parent, cell, child] : {std::tuple{splitter, 1, Pane(splitter)}, {splitter, 0, Pane(host)},
             {splitter, 0, grandchild}, {impostor, 0, Pane(impostor)}})
        EXPECT_FALSE(AttachPane(parent, cell, cell, 10, 10, child) || GetDlgCtrlID(child) != -1);

    ShowWindow(hiddenBefore, SW_HIDE);
    ShowWindow(grandchild, SW_HIDE);
    ShowWindow(splitter, SW_HIDE);
    EXPECT_FALSE(GetWindowLongW(pane, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(splitter, SW_SHOW);
    EXPECT_EQ((std::array{IsWindowVisible(pane), IsWindowVisible(hiddenBefore), IsWindowVisible(grandchild)}),
              (std::array{TRUE, TRUE, FALSE}));
}

// The frame's outer splitter: two panes side by side, the bar painted in the face colour. A drag shows a layered
// top-level shadow over the bar, taking neither activation nor clicks, and resizes on release; losing the capture
// cancels it, and destroying the splitter takes its shadows along.
TEST(SplitterDrag, ShowsALayeredShadowWhileDraggingAndResizesOnRelease)
{
    HWND host = Host(), splitter = CreateSplitter(host, 1, 2), left = Pane(splitter), right = Pane(splitter);
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
    ASSERT_EQ(std::pair(shown.size(), Shadows().size()), std::pair(std::size_t{1}, others + 2)) << "both are made";
    const LONG extended = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
    EXPECT_EQ(std::pair(GetParent(shown[0]), GetWindowLongW(shown[0], GWL_EXSTYLE) & extended),
              std::pair(HWND{}, extended));
    EXPECT_EQ(Place(shown[0], splitter), (Box{280, 0, 280 + kBar, 600})) << "over the bar as it is";
    EXPECT_EQ(std::pair(GetActiveWindow(), WindowFromPoint({Place(shown[0], nullptr)[0] + 1, 400})),
              std::pair(host, splitter)) << "the shadow takes neither activation nor clicks";
    Mouse(splitter, WM_MOUSEMOVE, 300, 123);
    EXPECT_EQ((std::array{Place(shown[0], splitter), Place(left, splitter)}),
              (std::array{Box{300 - grip, 0, 300 - grip + kBar, 600}, Box{0, 0, 280, 600}})) << "panes wait";
    Mouse(splitter, WM_LBUTTONUP, 300, 123);
    EXPECT_TRUE(GetCapture() == nullptr && Shadows(true).empty());
    EXPECT_EQ((std::array{Place(left, splitter), Place(right, splitter)}),
              (std::array{Box{0, 0, 300 - grip, 600}, Box{300 - grip + kBar, 0, 800, 600}}));

    Mouse(splitter, WM_LBUTTONDOWN, 300 - grip, 10);
    Mouse(splitter, WM_MOUSEMOVE, 500, 10);
    SetCapture(host);  // someone else takes the mouse: the shadows go at once, and are reused by the next drag
    EXPECT_EQ(std::pair(Shadows().size(), Shadows(true).size()), std::pair(others + 2, std::size_t{0}));
    Mouse(splitter, WM_LBUTTONUP, 520, 300);
    EXPECT_EQ(std::pair(GetCapture(), Place(left, splitter)), std::pair(host, Box{0, 0, 300 - grip, 600}))
        << "the other window keeps its capture, the cancelled drag is not applied";
    ReleaseCapture();

    Mouse(splitter, WM_LBUTTONDOWN, 300 - grip, 10);
    DestroyWindow(splitter);
    EXPECT_EQ(std::pair(Shadows().size(), GetCapture()), std::pair(others, HWND{}));
}

TEST(SplitterDrag, ACrossingShowsBothShadowsAndMovesBothBars)
{
    HWND splitter = CreateSplitter(Host(), 2, 2), panes[4];
    for (int cell = 0; cell < 4; ++cell)
        ASSERT_TRUE(AttachPane(splitter, cell / 2, cell % 2, 300, 200, panes[cell] = Pane(splitter)));
    SetWindowPos(splitter, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    Mouse(splitter, WM_LBUTTONDOWN, 301, 201);
    EXPECT_EQ(Shadows(true).size(), 2u);
    Mouse(splitter, WM_MOUSEMOVE, 500 + kBar / 2, 350 + kBarHeight / 2);
    Mouse(splitter, WM_LBUTTONUP, 500 + kBar / 2, 350 + kBarHeight / 2);
    EXPECT_EQ((std::array{Place(panes[0], splitter), Place(panes[3], splitter)}),
              (std::array{Box{0, 0, 500, 350}, Box{500 + kBar, 350 + kBarHeight, 800, 600}}));
}

} // namespace
} // namespace trackkit
