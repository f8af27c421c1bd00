#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_windows.h"
#include "widgets/win32/shadow_window.h"
#include "widgets/win32/splitter_window.h"

namespace trackkit {
namespace {

using testing::Box;
using testing::CreatePane;
using testing::HostWindow;
using testing::MoveTo;
using testing::PlaceInParent;
using testing::PressAt;
using testing::ReleaseAt;
using testing::ScreenBox;
using testing::SizeWindow;

bool IsShown(HWND window)
{
    return IsWindowVisible(window) != FALSE;
}

std::vector<HWND> Shadows()
{
    return testing::ThreadWindowsOfClass(kShadowWindowClass);
}

std::vector<HWND> VisibleShadows()
{
    std::vector<HWND> shown = Shadows();
    std::erase_if(shown, [](HWND shadow) { return !IsShown(shadow); });
    return shown;
}

// A client rectangle of the splitter, on the screen.
Box OnScreen(HWND splitter, Box box)
{
    POINT topLeft{box[0], box[1]};
    POINT bottomRight{box[2], box[3]};
    ClientToScreen(splitter, &topLeft);
    ClientToScreen(splitter, &bottomRight);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

// The frame's outer splitter: two panes side by side, the left one 280 wide,
// in a splitter of 800 x 600.
struct SideBySide {
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 2);
    HWND left = CreatePane(splitter);
    HWND right = CreatePane(splitter);
    int bar = testing::ExpectedBarWidth();

    SideBySide()
    {
        AttachPane(splitter, 0, 0, 280, 280, left);
        AttachPane(splitter, 0, 1, 340, 340, right);
        SizeWindow(splitter, 800, 600);
    }
};

TEST(SplitterDrag, ShowsALayeredShadowWhileDraggingAndResizesOnRelease)
{
    SideBySide s;
    ASSERT_EQ(PlaceInParent(s.left), (Box{0, 0, 280, 600}));
    const std::size_t others = Shadows().size();  // of earlier tests' splitters, in a single-process run
    const int grip = s.bar / 2;

    PressAt(s.splitter, 281, 300);
    EXPECT_EQ(GetCapture(), s.splitter);
    std::vector<HWND> shown = VisibleShadows();
    ASSERT_EQ(shown.size(), 1u);
    HWND shadow = shown[0];
    EXPECT_EQ(Shadows().size(), others + 2) << "both shadows are made at the first drag";
    EXPECT_EQ(GetWindowLongW(shadow, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW), WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongW(shadow, GWL_STYLE) & (WS_POPUP | WS_CHILD), WS_POPUP);
    EXPECT_EQ(GetParent(shadow), nullptr);
    EXPECT_EQ(ScreenBox(shadow), OnScreen(s.splitter, {280, 0, 280 + s.bar, 600})) << "over the bar as it is";

    const struct {
        const char* name;
        int mouseX;
        int barLeft;
    } moves[] = {
        {"right", 400, 400 - grip},
        {"left of the splitter stops at 0", -50, 0},
        {"past the right edge stops one bar short", 5000, 800 - s.bar},
        {"back inside", 300, 300 - grip},
    };
    for (const auto& m : moves) {
        MoveTo(s.splitter, m.mouseX, 123);
        EXPECT_EQ(ScreenBox(shadow), OnScreen(s.splitter, {m.barLeft, 0, m.barLeft + s.bar, 600})) << m.name;
        EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 280, 600})) << "panes wait for the release: " << m.name;
    }

    ReleaseAt(s.splitter, 300, 123);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(VisibleShadows().empty());
    EXPECT_EQ(Shadows().size(), others + 2) << "kept for the next drag";
    EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 300 - grip, 600}));
    EXPECT_EQ(PlaceInParent(s.right), (Box{300 - grip + s.bar, 0, 800, 600}));

    // The new width is remembered like a requested one: it survives a squeeze.
    SizeWindow(s.splitter, 100, 600);
    SizeWindow(s.splitter, 800, 600);
    EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 300 - grip, 600}));

    // A second drag reuses the two shadows.
    PressAt(s.splitter, 300 - grip, 10);
    EXPECT_EQ(VisibleShadows().size(), 1u);
    ReleaseAt(s.splitter, 300 - grip, 10);
    EXPECT_EQ(Shadows().size(), others + 2);
}

TEST(SplitterDrag, ACrossingMovesBothBandsEachAlongItsAxis)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 2);
    HWND panes[2][2];
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            panes[row][column] = CreatePane(splitter);
            ASSERT_TRUE(AttachPane(splitter, row, column, 300, 200, panes[row][column]));
        }
    }
    SizeWindow(splitter, 800, 600);
    const int bw = testing::ExpectedBarWidth();
    const int bh = testing::ExpectedBarHeight();

    PressAt(splitter, 301, 201);
    ASSERT_EQ(VisibleShadows().size(), 2u);
    const Box horizontal = OnScreen(splitter, {0, 200, 800, 200 + bh});
    const Box vertical = OnScreen(splitter, {300, 0, 300 + bw, 600});
    auto shadowAt = [](const Box& place) {
        const std::vector<HWND> shown = VisibleShadows();
        return std::count_if(shown.begin(), shown.end(), [&](HWND shadow) { return ScreenBox(shadow) == place; });
    };
    EXPECT_EQ(shadowAt(horizontal), 1);
    EXPECT_EQ(shadowAt(vertical), 1);

    MoveTo(splitter, 500 + bw / 2, 350 + bh / 2);
    EXPECT_EQ(shadowAt(OnScreen(splitter, {0, 350, 800, 350 + bh})), 1) << "horizontal band moved down only";
    EXPECT_EQ(shadowAt(OnScreen(splitter, {500, 0, 500 + bw, 600})), 1) << "vertical band moved across only";

    ReleaseAt(splitter, 500 + bw / 2, 350 + bh / 2);
    EXPECT_TRUE(VisibleShadows().empty());
    EXPECT_EQ(PlaceInParent(panes[0][0]), (Box{0, 0, 500, 350}));
    EXPECT_EQ(PlaceInParent(panes[1][1]), (Box{500 + bw, 350 + bh, 800, 600}));
}

TEST(SplitterDrag, RowBarOfTheInnerSplitterStopsAtItsRowTopAndAboveTheBottom)
{
    HostWindow host;
    HWND outer = CreateSplitter(host.Get(), 1, 2);
    HWND inner = CreateSplitter(outer, 2, 1);
    HWND volumes = CreatePane(outer);
    HWND statistics = CreatePane(inner);
    HWND blockMap = CreatePane(inner);
    AttachPane(outer, 0, 0, 280, 280, volumes);
    AttachPane(outer, 0, 1, 340, 340, inner);
    AttachPane(inner, 0, 0, 340, 340, statistics);
    AttachPane(inner, 1, 0, 340, 340, blockMap);
    SizeWindow(outer, 1000, 700);
    const int bh = testing::ExpectedBarHeight();
    const Box innerPlace = PlaceInParent(inner);
    const long width = innerPlace[2] - innerPlace[0];

    const struct {
        const char* name;
        int mouseY;
        long statisticsHeight;
    } drags[] = {
        {"above the top: the row becomes 0 high", -300, 0},
        {"below the bottom: one bar above it", 2000, 700 - bh},
        {"in between", 250 + bh / 2, 250},
    };
    for (const auto& d : drags) {
        PressAt(inner, 10, PlaceInParent(statistics)[3] + 1);
        ASSERT_EQ(VisibleShadows().size(), 1u) << d.name;
        MoveTo(inner, 10, d.mouseY);
        ReleaseAt(inner, 10, d.mouseY);
        EXPECT_EQ(PlaceInParent(statistics), (Box{0, 0, width, d.statisticsHeight})) << d.name;
        EXPECT_EQ(PlaceInParent(blockMap), (Box{0, d.statisticsHeight + bh, width, 700})) << d.name;
    }
    EXPECT_EQ(PlaceInParent(volumes), (Box{0, 0, 280, 700})) << "the outer splitter is not involved";
}

// A pane with a border: the bar lands on the shadow all the same.
TEST(SplitterDrag, ABorderedPaneDoesNotPullTheBarOffTheShadow)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 1);
    HWND top = CreatePane(splitter, WS_EX_CLIENTEDGE);
    HWND bottom = CreatePane(splitter, WS_EX_CLIENTEDGE);
    AttachPane(splitter, 0, 0, 100, 200, top);
    AttachPane(splitter, 1, 0, 100, 100, bottom);
    SizeWindow(splitter, 400, 500);
    const int bh = testing::ExpectedBarHeight();
    for (int drop = 0; drop < 3; ++drop) {
        PressAt(splitter, 50, 201);
        MoveTo(splitter, 50, 201);
        ReleaseAt(splitter, 50, 201);
    }
    EXPECT_EQ(PlaceInParent(top), (Box{0, 0, 400, 201 - bh / 2}));
}

TEST(SplitterDrag, LosingTheCaptureCancelsWithoutChangingTheLayout)
{
    SideBySide s;
    PressAt(s.splitter, 281, 300);
    MoveTo(s.splitter, 500, 300);
    ASSERT_EQ(VisibleShadows().size(), 1u);

    SetCapture(s.host.Get());  // someone else takes the mouse
    EXPECT_TRUE(VisibleShadows().empty()) << "gone at once, not left on the screen";
    MoveTo(s.splitter, 520, 300);
    EXPECT_TRUE(VisibleShadows().empty());
    EXPECT_EQ(GetCapture(), s.host.Get()) << "the other window keeps its capture";
    ReleaseAt(s.splitter, 520, 300);
    EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 280, 600}));
    EXPECT_EQ(PlaceInParent(s.right), (Box{280 + s.bar, 0, 800, 600}));
    ReleaseCapture();

    // A release without a drag does not apply the cancelled one later either.
    ReleaseAt(s.splitter, 520, 300);
    EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 280, 600}));
}

TEST(SplitterDrag, IgnoresASecondPressAndPressesOffTheBars)
{
    SideBySide s;
    PressAt(s.splitter, 100, 100);  // on the left pane's cell, not a bar
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(VisibleShadows().empty());

    PressAt(s.splitter, 281, 300);
    MoveTo(s.splitter, 400, 300);
    PressAt(s.splitter, 600, 300);  // ignored: the drag goes on from where it was
    ReleaseAt(s.splitter, 400, 300);
    EXPECT_EQ(PlaceInParent(s.left), (Box{0, 0, 400 - s.bar / 2, 600}));
}

TEST(SplitterDrag, KeepsTheFocusInTheSplitterAndTheActivationInItsWindow)
{
    SideBySide s;
    SetFocus(s.right);
    ASSERT_EQ(GetActiveWindow(), s.host.Get());
    PressAt(s.splitter, 281, 300);
    MoveTo(s.splitter, 350, 300);
    EXPECT_EQ(VisibleShadows().size(), 1u);
    EXPECT_EQ(GetActiveWindow(), s.host.Get());
    EXPECT_EQ(GetForegroundWindow(), s.host.Get());
    EXPECT_EQ(GetFocus(), s.splitter);
    ReleaseAt(s.splitter, 350, 300);
    EXPECT_EQ(GetActiveWindow(), s.host.Get());
}

TEST(SplitterDrag, HoverShowsTheResizeCursorOfTheBar)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 2);
    for (int cell = 0; cell < 3; ++cell)  // the bottom-right cell stays empty
        AttachPane(splitter, cell / 2, cell % 2, 300, 200, CreatePane(splitter));
    SizeWindow(splitter, 800, 600);
    const struct {
        int x, y;
        LPCWSTR cursor;
    } cases[] = {
        {301, 100, IDC_SIZEWE}, {100, 201, IDC_SIZENS}, {301, 201, IDC_SIZEALL},
        {600, 400, IDC_ARROW},  // the empty cell shows the splitter's own surface
        {301, 500, IDC_SIZEWE},
    };
    for (const auto& c : cases) {
        SetCursor(nullptr);
        MoveTo(splitter, c.x, c.y);
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.x << "," << c.y;
    }
}

TEST(SplitterDrag, DestroyingTheSplitterTakesItsShadowsAlong)
{
    SideBySide s;
    const std::size_t others = Shadows().size();
    PressAt(s.splitter, 281, 300);
    ASSERT_EQ(Shadows().size(), others + 2);
    DestroyWindow(s.splitter);  // mid-drag
    EXPECT_EQ(Shadows().size(), others);
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
} // namespace trackkit
