// The block-map pane's window procedure for real, in a borderless host that stands in for the main frame.
// Its layout and hover rules are tested natively.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "app/win32/scripted_program_driver.h"
#include "blockmap/colors.h"
#include "blockmap/win32/track_view_window.h"
#include "common/win32/gdi_objects.h"
#include "dialog_watcher.h"
#include "support/program_shell.h"
#include "tracking/win32/virtual_bitmap_memory.h"

namespace trackkit {
namespace {

using Texts = std::vector<std::wstring>;

const std::wstring kReady = L" Ready...";

// The pane's owner in the program is the main frame; here a host window with a status bar of its own.
struct StatusBarHost final : TrackViewHost {
    void ShowPollReport(const PollReport& report) override { reports.push_back(report.statistics); }
    void ShowStatusText(std::wstring_view text) override { SetWindowTextW(statusBar, std::wstring(text).c_str()); }
    void ShowViewMenu(POINT) override {}

    HWND statusBar = nullptr;
    std::vector<StatisticsUpdate> reports;
};

// At 96 DPI with block size 4 the 500 x 300 pane has pitch 5, a map area from (5, 5) to (495, 295) and 98
// columns. The volumes have 64 KiB blocks on 4 KiB clusters.
class TrackViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::PrepareProgramShell();
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        host_ = CreateWindowExW(0, L"Static", L"host", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 500, 340, nullptr, nullptr,
                                instance, nullptr);
        owner_.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, kReady.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, host_,
                                           nullptr, instance, nullptr);
        pane_ = CreateTrackView(host_, instance, {testing::ScriptedProgramDriver(), memory_, owner_, 4, kPollPaused,
                                                  0x00D77800});
        ASSERT_NE(pane_, nullptr);
        SetWindowPos(pane_, nullptr, 0, 0, 500, 300, SWP_NOZORDER);
        ShowWindow(host_, SW_SHOWNOACTIVATE);  // without a window manager Wine waits 2 s for an active one to go
        ASSERT_EQ(GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSX), 96) << "the expected cells are those of 96 DPI";
        Open();
    }

    void TearDown() override
    {
        DestroyWindow(host_);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {}
    }

    // Each volume gets a path of its own, since the pane keeps one it has open.
    ScriptedSource& Open(const TrackingGeometry& geometry = {512, 8, 5529, 65536, 0, 0},
                         std::vector<std::uint64_t> changed = {})
    {
        path_ = L"\\\\.\\T" + std::to_wstring(++volumes_) + L":";
        ScriptedSource& source = testing::ScriptedProgramDriver().AddScriptedVolume(path_, geometry);
        for (std::uint64_t block : changed) source.MarkChanged(block);
        OpenTrackedVolumeInPane(pane_, path_);
        UpdateWindow(pane_);
        return source;
    }
    VolumeSession& Session() { return *testing::ScriptedProgramDriver().Find(path_); }
    std::uint64_t Lookups() { return Session().Requests().Of(DriverRequest::Lookup); }
    Pixel At(int x, int y) { return PixelFromColorRef(GetPixel(WindowDc(pane_).Get(), x, y)); }
    void Mouse(UINT message, int x, int y) { SendMessageW(pane_, message, MK_LBUTTON, MAKELPARAM(x, y)); }

    VirtualBitmapMemory memory_;
    StatusBarHost owner_;
    HWND host_{}, pane_{};
    std::wstring path_;
    int volumes_ = 0;
};

// The timer follows the speed; the end of a resize (paused through the frame, tests/app) restarts no paused
// timer. WM_DESTROY stops it, closes the volume and frees the bitmap's pages.
TEST_F(TrackViewWindowTest, TheTimerFollowsTheUpdateSpeedAndThePaneCleansUpOnDestroy)
{
    const auto timerRunning = [&] { return KillTimer(pane_, kPollTimerId) && SetTimer(pane_, kPollTimerId, 1000, {}); };
    SendMessageW(pane_, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(timerRunning()) << "the stored speed is Paused";
    SetTrackViewPollPeriod(pane_, 250);
    EXPECT_EQ(std::pair(timerRunning(), TrackViewStateOf(pane_)->session.pollPeriod), std::pair(true, 250u));
    const std::uint64_t before = Session().Requests().Of(DriverRequest::Statistics);
    SendMessageW(pane_, WM_TIMER, kPollTimerId, 0);
    SendMessageW(pane_, WM_TIMER, 7, 0);  // not the poll timer
    PollTrackedVolumeInPane(pane_);
    EXPECT_EQ(Session().Requests().Of(DriverRequest::Statistics), before + 2);

    const void* bitmap = TrackViewStateOf(pane_)->session.bitmap.Bytes().data();
    MEMORY_BASIC_INFORMATION memory{};
    const auto pages = [&] { return VirtualQuery(bitmap, &memory, sizeof(memory)) ? memory.State : 0; };
    ASSERT_EQ(std::pair(pages(), Session().OpenHandles()), std::pair(DWORD{MEM_COMMIT}, 1));
    EXPECT_EQ(owner_.reports.back(), StatisticsUpdate::Values) << "each poll is reported to the owner";
    DestroyWindow(pane_);
    EXPECT_EQ(std::tuple(Session().OpenHandles(), pages(), TrackViewStateOf(pane_)), std::tuple(0, DWORD{MEM_FREE}, nullptr))
        << "the volume, the bitmap, the record";
}

// 20000 blocks pack four to a cell: cells 0 to 4 have 0 to 4 changed blocks, one of each level; $CBT's clusters
// 640 to 655 are block 40, in cell 10.
TEST_F(TrackViewWindowTest, TheScreenShowsTheLevelsTheGapsAndTheCbtCellsAndRepaintsOnAThemeChange)
{
    Open({512, 8, 20000, 65536, 640, 655}, {4, 8, 9, 12, 13, 14, 16, 17, 18, 19});
    const LevelPixels levels = BuildLevelPixels(GetSysColor(COLOR_3DFACE), 0x00D77800);
    const Pixel background = PixelFromColorRef(GetSysColor(COLOR_WINDOW));
    for (int level = 0, x = 5; level <= 4; ++level, x += 5)
        EXPECT_EQ((std::array{At(x, 5), At(x + 3, 8), At(x + 4, 6), At(x + 1, 9)}),
                  (std::array{levels[level], levels[level], background, background})) << "the cell, its gaps " << level;
    EXPECT_EQ((std::array{At(56, 6), At(61, 6), At(2, 2), At(16, 261)}),
              (std::array{PixelFromColorRef(kCbtColor), levels[0], background, background}))
        << "cells 10 and 11, the margin, past the end";

    TrackViewStateOf(pane_)->faceColor = RGB(10, 200, 30);
    SendMessageW(pane_, WM_THEMECHANGED, 0, 0);
    UpdateWindow(pane_);
    EXPECT_EQ(At(5, 5), PixelFromColorRef(GetSysColor(COLOR_3DFACE))) << "the face colour is the system's again";
}

// One block per cell at pitch 5: cell 3 at (20, 5), cell 200 at (25, 15).
TEST_F(TrackViewWindowTest, OutlinedBlocksShowInTheirOwnColourUntilClearedOrAnotherVolumeOpens)
{
    const Pixel outline = PixelFromColorRef(kOutlineColor);
    const auto outlined = [&](std::vector<std::uint32_t> blocks) {
        OutlineBlocksInPane(pane_, std::move(blocks));
        UpdateWindow(pane_);
        return std::array{At(20, 5) == outline, At(25, 15) == outline, At(15, 5) == outline};
    };
    EXPECT_EQ(outlined({200, 3, 200}), (std::array{true, true, false})) << "given out of order";
    EXPECT_EQ(outlined({}), (std::array{false, false, false}));
    outlined({3});
    OpenTrackedVolumeInPane(pane_, path_);  // as a refresh of the volume list does
    UpdateWindow(pane_);
    EXPECT_EQ(At(20, 5), outline) << "the same volume keeps it";
    Open();
    EXPECT_NE(At(20, 5), outline) << "another volume drops it";
}

// The mouse is held over the map and its cell named in the status bar; a click off the cells only takes the
// focus. A click on a cell lets go of the mouse and lists its streams in the dialog, owned by the pane's top-level
// window, which ends on Enter, on Escape in its list and on its close box.
TEST_F(TrackViewWindowTest, HoverNamesTheCellAndAClickListsItsStreamsInTheDialogFromItsResource)
{
    Open().SetLookupEntries({{900, 0x01000000, L"\\Data\\orders.mdf"}, {100, 0x03000005, L"\\pagefile.sys"}});
    Mouse(WM_MOUSEMOVE, -30, 500);
    EXPECT_EQ(std::pair(testing::WindowText(owner_.statusBar), GetCapture()), std::pair(kReady, HWND{}));
    SetFocus(nullptr);
    Mouse(WM_LBUTTONDOWN, 2, 17);
    EXPECT_EQ(std::pair(Lookups(), GetFocus()), std::pair(std::uint64_t{0}, pane_));
    for (const auto& [message, key, control] : {std::tuple<UINT, WPARAM, int>{WM_KEYDOWN, VK_RETURN, IDOK},
             {WM_KEYDOWN, VK_ESCAPE, 1006}, {WM_SYSCOMMAND, SC_CLOSE, 0}}) {
        Mouse(WM_MOUSEMOVE, 32, 17);
        testing::DialogWatcher watcher([&](HWND dialog) {
            PostMessageW(control != 0 ? GetDlgItem(dialog, control) : dialog, message, key, 0);
        });
        Mouse(WM_LBUTTONDOWN, 32, 17);
        const testing::SeenDialog& box = watcher.seen.at(0);
        EXPECT_EQ(std::tuple(watcher.seen.size(), IsWindow(box.window), box.owner, box.capture, box.buttonIds),
                  std::tuple(1u, FALSE, host_, HWND{}, std::vector{IDOK})) << key;
        EXPECT_EQ(std::tuple(box.title, box.fontFace, box.columnTitles, box.rows),
                  std::tuple(L"Clusters 100 to 900 (2)", L"MS Shell Dlg", Texts{L"Cluster", L"Path", L"Flags"},
                             std::vector<Texts>{{L"100", L"\\pagefile.sys", L"PageFile| FsSys| System"},
                                                {L"900", L"\\Data\\orders.mdf", L"Data"}}));
    }
    Mouse(WM_MOUSEMOVE, 32, 17);
    ASSERT_EQ(std::pair(GetCapture(), testing::WindowText(owner_.statusBar)),
              std::pair(pane_, std::wstring(L"(32, 17)   Blocks=201-201   Clusters=3216-3231")));
    SendMessageW(pane_, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(testing::WindowText(owner_.statusBar), kReady);
}

// Error 0: a reply without entries. With more data the files exist, but their names outgrow the reply's ceiling.
TEST_F(TrackViewWindowTest, TheNoticeWhenTheFileSystemNamesNoFile)
{
    const std::wstring noUserFiles = L"There are no user files in the selected cluster range.";
    for (const auto& [error, requests, text] :
         {std::tuple<std::uint32_t, std::uint64_t, std::wstring>{87, 1, noUserFiles}, {0, 1, noUserFiles},
          {kErrorMoreData, 7, L"This cell covers too many files to list.\r\n\r\nChoose a smaller block size (View > "
                              L"Block Size > Small or Smallest) so that each cell covers fewer blocks, then click the "
                              L"cell again."}}) {
        ScriptedSource& source = Open();
        error != 0 ? source.SetLookupError(error) : source.SetLookupEntries({});
        testing::DialogWatcher watcher;
        Mouse(WM_LBUTTONDOWN, 32, 17);
        const testing::SeenDialog& box = watcher.seen.at(0);
        EXPECT_EQ(std::tuple(watcher.seen.size(), box.title, box.staticTexts, box.buttonIds, box.owner, Lookups()),
                  std::tuple(1u, L"Quillon Zezudo Zozor", Texts{text}, std::vector{IDOK}, host_, requests)) << error;
    }
}

} // namespace
} // namespace trackkit
