// The block-map pane's window procedure: its off-screen bitmap, the hover
// read-out in the status bar with its mouse capture, the poll timer, and
// what it paints on the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "blockmap/view_options.h"
#include "common/win32/gdi_objects.h"
#include "pane_fixture.h"

namespace trackkit {
namespace {

using testing::Geometry;
using testing::kPaneHeight;
using testing::kPaneWidth;
using testing::PaneTest;
using testing::ScriptedProgramDriver;

const std::wstring kReady = L" Ready...";

class TrackViewWindowTest : public PaneTest {
protected:
    void Resize(int width, int height) { SetWindowPos(pane_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE); }

    // Whether the poll timer is running. KillTimer tells, and the timer is
    // set again at the pane's period at once.
    bool PollTimerRunning()
    {
        if (!KillTimer(pane_, kPollTimerId))
            return false;
        SetTimer(pane_, kPollTimerId, View().session.pollPeriod, nullptr);
        return true;
    }

    std::uint64_t Polls() { return Session().Requests().Of(DriverRequest::Statistics); }
};

TEST_F(TrackViewWindowTest, KeepsOrRecreatesItsBitmapAsThePaneIsResized)
{
    const struct {
        int width, height;
        SIZE dib;
    } steps[] = {
        {1000, 700, {1000, 701}},  // grown past the 500 x 301 of the fixture
        {400, 300, {400, 301}},   // 1000 is over twice 400
        {500, 350, {500, 351}},  // 400 is below 500: a new bitmap
        {300, 200, {500, 351}},  // 500 <= 600 and 351 <= 400: kept
        {250, 176, {500, 351}},  // exactly twice as wide, 351 <= 352: kept
        {250, 175, {250, 176}},  // 351 > 350: a new one
        {260, 176, {260, 177}},  // 250 is below 260
        {0, 0, {0, 0}},          // no area: no bitmap
        {100, 80, {100, 81}},    // and one again with the next size
    };
    for (const auto& step : steps) {
        Resize(step.width, step.height);
        const SIZE dib = TrackViewDibSize(pane_);
        EXPECT_EQ(dib.cx, step.dib.cx) << step.width << " x " << step.height;
        EXPECT_EQ(dib.cy, step.dib.cy) << step.width << " x " << step.height;
    }
}

// At 96 DPI with block size 4 the 500 x 300 pane has pitch 5, a map area
// from (5, 5) to (495, 295), 98 columns and 58 rows.
TEST_F(TrackViewWindowTest, HoverShowsTheCellUnderThePointerAndHoldsTheMouseOverTheMap)
{
    const struct {
        const char* name;
        std::uint32_t blocks;
        std::uint32_t bytesPerCluster;
        int x, y;
        std::wstring text;
        bool captured;
    } cases[] = {
        {"row 2, column 5", 5529, 4096, 32, 17, L"(32, 17)   Blocks=201-201   Clusters=3216-3231", true},
        {"left margin", 5529, 4096, 2, 100, kReady, false},
        {"bottom margin", 5529, 4096, 100, 297, kReady, false},
        {"back over the map", 5529, 4096, 5, 5, L"(5, 5)   Blocks=0-0   Clusters=0-15", true},
        {"first cell past the end", 5000, 4096, 16, 261, kReady, true},
        {"last cell before the end", 5000, 4096, 11, 261, L"(11, 261)   Blocks=4999-4999   Clusters=79984-79999", true},
        {"packed cells", 20000, 4096, 32, 17, L"(32, 17)   Blocks=804-807   Clusters=12864-12927", true},
        {"cluster size unknown", 5529, 0, 32, 17, L"(32, 17)   Blocks=201-201   Clusters=?", true},
        {"outside the pane", 5529, 4096, -30, 500, kReady, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenAndShow(Geometry(c.blocks, c.bytesPerCluster));
        SetWindowTextW(Shell().statusBar, L"untouched");
        MoveMouse(c.x, c.y);
        EXPECT_EQ(StatusText(), c.text);
        EXPECT_EQ(GetCapture() == pane_, c.captured);
    }
}

TEST_F(TrackViewWindowTest, HoverBeforeAnyVolumeLeavesTheStatusBarAlone)
{
    SetWindowTextW(Shell().statusBar, L"untouched");
    MoveMouse(32, 17);
    EXPECT_EQ(StatusText(), L"untouched");
    EXPECT_EQ(GetCapture(), nullptr);

    // A volume whose geometry the driver refuses leaves no blocks either.
    OpenVolume(Geometry(5529));
    Session().Faults().Always(DriverRequest::Geometry, Fault::Error(1167));
    ShowVolume();
    MoveMouse(32, 17);
    EXPECT_EQ(StatusText(), L"untouched");
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TrackViewWindowTest, DeactivationShowsReady)
{
    OpenAndShow(Geometry(5529));
    MoveMouse(32, 17);
    ASSERT_NE(StatusText(), kReady);
    SendMessageW(pane_, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_NE(StatusText(), kReady);
    SendMessageW(pane_, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(StatusText(), kReady);
}

TEST_F(TrackViewWindowTest, TheTimerFollowsTheUpdateSpeedAndPausesDuringAResize)
{
    OpenAndShow(Geometry(5529));
    EXPECT_FALSE(PollTimerRunning()) << "the stored speed is Paused";

    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool running;
        std::uint32_t period;
    } steps[] = {
        {"High", WM_COMMAND, kCommandSpeedHigh, true, 250},
        {"resize starts", WM_ENTERSIZEMOVE, 0, false, 250},
        {"resize ends", WM_EXITSIZEMOVE, 0, true, 250},
        {"Low", WM_COMMAND, kCommandSpeedLow, true, 10000},
        {"Normal", WM_COMMAND, kCommandSpeedNormal, true, 1000},
        {"Paused", WM_COMMAND, kCommandSpeedPaused, false, kPollPaused},
        {"resize starts while paused", WM_ENTERSIZEMOVE, 0, false, kPollPaused},
        {"resize ends while paused", WM_EXITSIZEMOVE, 0, false, kPollPaused},
        {"a command the pane does not own", WM_COMMAND, 40003, false, kPollPaused},
        {"High again", WM_COMMAND, kCommandSpeedHigh, true, 250},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        SendMessageW(pane_, step.message, step.wParam, 0);
        EXPECT_EQ(PollTimerRunning(), step.running);
        EXPECT_EQ(View().session.pollPeriod, step.period);
        EXPECT_EQ(ProgramSettings().updateSpeed, step.period);
    }
}

TEST_F(TrackViewWindowTest, ATickOfThePollTimerPollsAndOtherTimersDoNot)
{
    OpenAndShow(Geometry(5529));
    const std::uint64_t before = Polls();
    SendMessageW(pane_, WM_TIMER, kPollTimerId, 0);
    EXPECT_EQ(Polls(), before + 1);
    SendMessageW(pane_, WM_TIMER, 7, 0);
    EXPECT_EQ(Polls(), before + 1);
    SendMessageW(pane_, WM_COMMAND, kCommandRefreshNow, 0);
    EXPECT_EQ(Polls(), before + 2);
}

// Going away, the pane lets go of everything its poll holds: the timer, the
// volume handle and the bitmap's pages.
TEST_F(TrackViewWindowTest, DestroyingThePaneStopsTheTimerClosesTheVolumeAndFreesTheBitmap)
{
    OpenAndShow(Geometry(5529));
    SendMessageW(pane_, WM_COMMAND, kCommandSpeedHigh, 0);
    const void* bitmap = View().session.bitmap.Bytes().data();
    MEMORY_BASIC_INFORMATION memory{};
    ASSERT_NE(VirtualQuery(bitmap, &memory, sizeof(memory)), 0u);
    ASSERT_EQ(memory.State, static_cast<DWORD>(MEM_COMMIT));
    ASSERT_EQ(Session().OpenHandles(), 1);

    SendMessageW(pane_, WM_DESTROY, 0, 0);

    EXPECT_FALSE(KillTimer(pane_, kPollTimerId)) << "the poll timer is still set";
    EXPECT_EQ(Session().OpenHandles(), 0);
    ASSERT_NE(VirtualQuery(bitmap, &memory, sizeof(memory)), 0u);
    EXPECT_EQ(memory.State, static_cast<DWORD>(MEM_FREE));
    EXPECT_EQ(TrackViewStateOf(pane_), nullptr);
}

// What the pane shows on the screen: its client area copied from its window
// device context (under Wine, the window surface that goes to the X screen).
class ScreenPicture {
public:
    explicit ScreenPicture(HWND window)
    {
        RECT client{};
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        WindowDc screen(window);
        bitmap_.Reset(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<const std::uint32_t*>(bits);
        MemoryDc memory(screen.Get());
        SelectedObject selected(memory.Get(), bitmap_.Get());
        BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }

    COLORREF At(int x, int y) const
    {
        if (pixels_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_)
            return CLR_INVALID;
        const std::uint32_t bgr = pixels_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }

private:
    UniqueBitmap bitmap_;
    const std::uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// A level's colour: the block colour mixed into the face colour by quarters.
COLORREF LevelColor(int level, COLORREF face, COLORREF block)
{
    const auto mix = [&](int faceChannel, int blockChannel) {
        switch (level) {
        case 0: return faceChannel;
        case 1: return (blockChannel + 3 * faceChannel + 2) / 4;
        case 2: return (blockChannel + faceChannel + 1) / 2;
        case 3: return (3 * blockChannel + faceChannel + 2) / 4;
        default: return blockChannel;
        }
    };
    return RGB(mix(GetRValue(face), GetRValue(block)), mix(GetGValue(face), GetGValue(block)),
               mix(GetBValue(face), GetBValue(block)));
}

// The top-left pixel of cell k in the 98-column grid of pitch 5.
POINT CellCorner(int cell) { return {5 + (cell % 98) * 5, 5 + (cell / 98) * 5}; }

// 20000 blocks pack four to a cell. Cells 0 to 4 have 0 to 4 changed blocks,
// one of each level; $CBT's clusters 640 to 655 are block 40, in cell 10.
TEST_F(TrackViewWindowTest, TheScreenShowsTheLevelsTheGapsAndTheCbtCells)
{
    TrackingGeometry geometry = Geometry(20000);
    geometry.cbtFirstLcn = 640;
    geometry.cbtLastLcn = 655;
    ScriptedSource& source = OpenVolume(geometry);
    for (int cell = 1; cell <= 4; ++cell) {
        for (int block = 0; block < cell; ++block)
            source.MarkChanged(4 * static_cast<std::uint64_t>(cell) + block);
    }
    source.MarkChanged(19999);
    ShowVolume();
    ASSERT_EQ(View().lastLayout.blocksPerCell, 4u);

    const ScreenPicture screen(pane_);
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF block = ProgramSettings().blockColor;
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    const COLORREF cbt = RGB(200, 0, 20);
    for (int level = 0; level <= 4; ++level) {
        const POINT corner = CellCorner(level);
        EXPECT_EQ(screen.At(corner.x, corner.y), LevelColor(level, face, block)) << "level " << level;
        EXPECT_EQ(screen.At(corner.x + 3, corner.y + 3), LevelColor(level, face, block)) << "level " << level;
        EXPECT_EQ(screen.At(corner.x + 4, corner.y + 1), background) << "gap right of cell " << level;
        EXPECT_EQ(screen.At(corner.x + 1, corner.y + 4), background) << "gap below cell " << level;
    }
    const POINT cbtCell = CellCorner(10);
    EXPECT_EQ(screen.At(cbtCell.x + 1, cbtCell.y + 1), cbt);
    EXPECT_EQ(screen.At(cbtCell.x + 4, cbtCell.y + 1), background);
    EXPECT_EQ(screen.At(CellCorner(9).x + 1, CellCorner(9).y + 1), face);
    EXPECT_EQ(screen.At(CellCorner(11).x + 1, CellCorner(11).y + 1), face);
    EXPECT_EQ(screen.At(CellCorner(4999).x + 1, CellCorner(4999).y + 1), LevelColor(1, face, block))
        << "the last cell, block 19999 changed";
    EXPECT_EQ(screen.At(CellCorner(5000).x + 1, CellCorner(5000).y + 1), background) << "past the end";
    EXPECT_EQ(screen.At(2, 2), background) << "the margin";
    EXPECT_EQ(screen.At(kPaneWidth - 3, kPaneHeight - 3), background) << "the margin";
}

TEST_F(TrackViewWindowTest, AThemeChangeTakesTheBlockColourAgain)
{
    ScriptedSource& source = OpenVolume(Geometry(5529));
    source.MarkChanged(1);
    ShowVolume();
    ASSERT_EQ(ScreenPicture(pane_).At(11, 6), static_cast<COLORREF>(ProgramSettings().blockColor));

    ProgramSettings().blockColor = RGB(10, 200, 30);
    SendMessageW(pane_, WM_THEMECHANGED, 0, 0);
    UpdateWindow(pane_);
    EXPECT_EQ(ScreenPicture(pane_).At(11, 6), RGB(10, 200, 30));
    EXPECT_EQ(View().faceColor, GetSysColor(COLOR_3DFACE));
}

TEST_F(TrackViewWindowTest, ABlockSizeCommandRepaintsWithTheNewPitch)
{
    ScriptedSource& source = OpenVolume(Geometry(5529));
    source.MarkChanged(1);
    ShowVolume();
    const COLORREF block = ProgramSettings().blockColor;
    ASSERT_EQ(ScreenPicture(pane_).At(11, 6), block) << "cell 1 at pitch 5";

    SendMessageW(pane_, WM_COMMAND, kCommandBlockSmallest, 0);
    UpdateWindow(pane_);
    EXPECT_EQ(View().blockSize, 2u);
    EXPECT_EQ(ProgramSettings().blockSize, 2u);
    EXPECT_TRUE(GetMenuState(menu_, kCommandBlockSmallest, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu_, kCommandBlockSmall, MF_BYCOMMAND) & MF_CHECKED);
    // Block size 2 leaves margins of 3 and a 494 x 294 area with room for
    // twice the cells the blocks need, so the grid zooms to pitch 5: cell 1
    // at (8, 3), where the margin was, and cell 2 at (13, 3).
    const ScreenPicture screen(pane_);
    EXPECT_EQ(View().lastLayout.pitchX, 5);
    EXPECT_EQ(View().lastLayout.areaLeft, 3);
    EXPECT_EQ(screen.At(8, 3), block);
    EXPECT_EQ(screen.At(13, 3), GetSysColor(COLOR_3DFACE));
}

} // namespace
} // namespace trackkit
