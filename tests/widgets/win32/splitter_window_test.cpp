#include "widgets/win32/splitter_window.h"

#include <gtest/gtest.h>

#include "test_windows.h"

namespace trackkit {
namespace {

using testing::Box;
using testing::CreatePane;
using testing::HostWindow;
using testing::PlaceInParent;
using testing::SizeWindow;

TEST(CreateSplitter, MakesAVisibleChildOfTheDescribedClassOrRefusesBadRequests)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 2);
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(testing::ClassNameOf(splitter), L"SplitterClass");
    EXPECT_EQ(GetParent(splitter), host.Get());
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(splitter, GWL_STYLE)) & 0xFFFF0000u, 0x52000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(splitter, GWL_EXSTYLE)) & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
    EXPECT_EQ(GetDlgCtrlID(splitter), -1);
    EXPECT_EQ(PlaceInParent(splitter), (Box{0, 0, 0, 0}));
    EXPECT_EQ(GetClassLongPtrW(splitter, GCL_STYLE), 0x23u);
    EXPECT_EQ(GetClassLongPtrW(splitter, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(GetStockObject(NULL_BRUSH)));
    // A second splitter finds the class registered; 16 x 16 is the most.
    EXPECT_NE(CreateSplitter(host.Get(), 16, 16), nullptr);

    const struct {
        int rows, columns;
    } refused[] = {{0, 1}, {1, 0}, {17, 1}, {1, 17}, {-1, -1}, {0x7FFFFFFF, 1}};
    for (const auto& c : refused)
        EXPECT_EQ(CreateSplitter(host.Get(), c.rows, c.columns), nullptr) << c.rows << " x " << c.columns;
    EXPECT_EQ(CreateSplitter(nullptr, 1, 2), nullptr);  // a child needs a parent
}

TEST(AttachPane, GivesEachCellItsIdAndRefusesWhatCannotBePlaced)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 2);
    ASSERT_NE(splitter, nullptr);
    const struct {
        int row, column, id;
    } cells[] = {{0, 0, 1000}, {0, 1, 1001}, {1, 0, 1016}, {1, 1, 1017}};
    for (const auto& c : cells) {
        HWND pane = CreatePane(splitter);
        EXPECT_TRUE(AttachPane(splitter, c.row, c.column, 100, 100, pane)) << c.row << "," << c.column;
        EXPECT_EQ(GetDlgCtrlID(pane), c.id);
        EXPECT_EQ(GetDlgItem(splitter, c.id), pane);
    }

    HWND spare = CreatePane(splitter);
    const struct {
        const char* name;
        int row, column;
    } outside[] = {
        {"occupied", 0, 0}, {"row past the grid", 2, 0}, {"column past the grid", 0, 2}, {"negative row", -1, 0},
        {"negative column", 0, -1}, {"row 16", 16, 0}, {"column 16", 0, 16},
    };
    for (const auto& c : outside) {
        EXPECT_FALSE(AttachPane(splitter, c.row, c.column, 10, 10, spare)) << c.name;
        EXPECT_EQ(GetDlgCtrlID(spare), -1) << c.name;
    }

    HWND wide = CreateSplitter(host.Get(), 1, 3);
    HWND notChild = CreatePane(host.Get());
    HWND grandchild = CreatePane(spare);
    EXPECT_FALSE(AttachPane(wide, 0, 0, 10, 10, notChild));
    EXPECT_FALSE(AttachPane(wide, 0, 0, 10, 10, grandchild));
    EXPECT_FALSE(AttachPane(wide, 0, 0, 10, 10, host.Get()));  // a top-level window
    EXPECT_FALSE(AttachPane(wide, 0, 0, 10, 10, nullptr));
    EXPECT_EQ(GetDlgCtrlID(notChild), -1);

    // Not a splitter, though its user data looks like a record.
    HWND impostor = CreatePane(host.Get());
    SetWindowLongPtrW(impostor, GWLP_USERDATA, 0x1234);
    HWND impostorChild = CreatePane(impostor);
    EXPECT_FALSE(AttachPane(impostor, 0, 0, 10, 10, impostorChild));
    EXPECT_FALSE(AttachPane(nullptr, 0, 0, 10, 10, impostorChild));
    EXPECT_EQ(GetDlgCtrlID(impostorChild), -1);
}

// A 1 x 2 splitter as the frame's outer one: the left pane asks for 280.
TEST(SplitterLayout, FitsThePanesToEverySizeAndRestoresRequestedSizes)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 2);
    HWND left = CreatePane(splitter);
    HWND right = CreatePane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 280, 280, left));
    ASSERT_TRUE(AttachPane(splitter, 0, 1, 340, 340, right));
    const int bar = testing::ExpectedBarWidth();

    const struct {
        const char* name;
        int width, height;
        Box left, right;
    } sizes[] = {
        {"roomy", 800, 600, {0, 0, 280, 600}, {280 + bar, 0, 800, 600}},
        {"exactly the left pane and its bar", 280 + bar, 300, {0, 0, 280, 300}, {280 + bar, 0, 280 + bar, 300}},
        {"narrower than the left pane", 200, 100, {0, 0, 200 - bar, 100}, {200, 0, 200, 100}},
        {"zero width leaves the panes alone", 0, 100, {0, 0, 200 - bar, 100}, {200, 0, 200, 100}},
        {"zero height leaves the panes alone", 500, 0, {0, 0, 200 - bar, 100}, {200, 0, 200, 100}},
        {"growing again restores 280", 1000, 700, {0, 0, 280, 700}, {280 + bar, 0, 1000, 700}},
    };
    for (const auto& c : sizes) {
        SizeWindow(splitter, c.width, c.height);
        EXPECT_EQ(PlaceInParent(left), c.left) << c.name;
        EXPECT_EQ(PlaceInParent(right), c.right) << c.name;
    }

    SendMessageW(splitter, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(300, 300));
    EXPECT_EQ(PlaceInParent(left), (Box{0, 0, 280, 700})) << "minimised";
}

TEST(SplitterLayout, SkipsEmptyCellsAndLaterAttachesOverwriteTheTrackRequest)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 2, 2);
    HWND topLeft = CreatePane(splitter);
    HWND bottomRight = CreatePane(splitter);
    HWND unattached = CreatePane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 300, 100, topLeft));
    ASSERT_TRUE(AttachPane(splitter, 1, 1, 999, 999, bottomRight));
    HWND topRight = CreatePane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 0, 1, 999, 150, topRight));  // row 0 now asks for 150
    SizeWindow(splitter, 800, 600);
    const int bw = testing::ExpectedBarWidth();
    const int bh = testing::ExpectedBarHeight();
    EXPECT_EQ(PlaceInParent(topLeft), (Box{0, 0, 300, 150}));
    EXPECT_EQ(PlaceInParent(topRight), (Box{300 + bw, 0, 800, 150}));
    EXPECT_EQ(PlaceInParent(bottomRight), (Box{300 + bw, 150 + bh, 800, 600}));
    EXPECT_EQ(PlaceInParent(unattached), (Box{0, 0, 0, 0}));
}

TEST(SplitterLayout, NestsAsTheMainFrameBuildsIt)
{
    HostWindow host;
    HWND outer = CreateSplitter(host.Get(), 1, 2);
    HWND inner = CreateSplitter(outer, 2, 1);
    HWND volumes = CreatePane(outer);
    HWND statistics = testing::CreateListPane(inner, 18);
    HWND blockMap = CreatePane(inner);
    ASSERT_TRUE(AttachPane(outer, 0, 0, 280, 280, volumes));
    ASSERT_TRUE(AttachPane(outer, 0, 1, 340, 340, inner));
    ASSERT_TRUE(AttachPane(inner, 0, 0, 340, 340, statistics));
    ASSERT_TRUE(AttachPane(inner, 1, 0, 340, 340, blockMap));
    EXPECT_EQ(GetDlgCtrlID(inner), 1001);
    EXPECT_EQ(GetDlgCtrlID(statistics), 1000);
    EXPECT_EQ(GetDlgCtrlID(blockMap), 1016);
    const int bw = testing::ExpectedBarWidth();
    const int bh = testing::ExpectedBarHeight();

    const struct {
        int width, height;
        Box volumes, inner, statistics, blockMap;
    } sizes[] = {
        {1000, 700, {0, 0, 280, 700}, {280 + bw, 0, 1000, 700}, {0, 0, 720 - bw, 340}, {0, 340 + bh, 720 - bw, 700}},
        {640, 280, {0, 0, 280, 280}, {280 + bw, 0, 640, 280}, {0, 0, 360 - bw, 280 - bh}, {0, 280, 360 - bw, 280}},
        {1280, 1000, {0, 0, 280, 1000}, {280 + bw, 0, 1280, 1000}, {0, 0, 1000 - bw, 340}, {0, 340 + bh, 1000 - bw, 1000}},
    };
    for (const auto& c : sizes) {
        SizeWindow(outer, c.width, c.height);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(PlaceInParent(volumes), c.volumes);
        EXPECT_EQ(PlaceInParent(inner), c.inner);
        EXPECT_EQ(PlaceInParent(statistics), c.statistics);
        EXPECT_EQ(PlaceInParent(blockMap), c.blockMap);
    }
}

TEST(SplitterVisibility, ShowsAndHidesItsDirectChildrenWithItself)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 2);
    HWND shown = CreatePane(splitter);
    HWND hiddenBefore = CreatePane(splitter);
    HWND grandchild = CreatePane(shown);
    ShowWindow(hiddenBefore, SW_HIDE);
    ShowWindow(grandchild, SW_HIDE);
    auto hasVisibleStyle = [](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; };

    ShowWindow(splitter, SW_HIDE);
    EXPECT_FALSE(hasVisibleStyle(shown));
    EXPECT_FALSE(hasVisibleStyle(hiddenBefore));
    ShowWindow(splitter, SW_SHOW);
    EXPECT_TRUE(hasVisibleStyle(shown));
    EXPECT_TRUE(hasVisibleStyle(hiddenBefore));
    EXPECT_FALSE(hasVisibleStyle(grandchild));  // only direct children
}

// The splitter's own surface, seen between the panes, is the face colour.
TEST(SplitterPainting, FillsTheBarsWithTheFaceColour)
{
    HostWindow host;
    HWND splitter = CreateSplitter(host.Get(), 1, 2);
    HWND left = CreatePane(splitter);
    HWND right = CreatePane(splitter);
    ASSERT_TRUE(AttachPane(splitter, 0, 0, 200, 200, left));
    ASSERT_TRUE(AttachPane(splitter, 0, 1, 200, 200, right));
    SizeWindow(splitter, 600, 400);
    RedrawWindow(host.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(splitter);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(GetPixel(dc, 201, 10), face);
    EXPECT_EQ(GetPixel(dc, 200 + testing::ExpectedBarWidth() - 1, 390), face);
    ReleaseDC(splitter, dc);
    EXPECT_NE(GetSysColor(COLOR_WINDOW), face) << "the pane colour must differ for this test to mean anything";
    HDC paneDc = GetDC(left);
    EXPECT_EQ(GetPixel(paneDc, 199, 10), GetSysColor(COLOR_WINDOW));
    ReleaseDC(left, paneDc);
}

} // namespace
} // namespace trackkit
