// The main frame built for real in this process, with the simulated driver
// behind its block map: window tree, statistics rows, layout, command
// routing and what the frame stores when it goes away.
#include "shell/win32/main_frame.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "blockmap/view_options.h"
#include "blockmap/win32/track_view_window.h"
#include "shell/win32/driver_version.h"
#include "shell/win32/scripted_program_driver.h"
#include "shell/win32/shell_windows.h"
#include "support/program_shell.h"
#include "support/window_text.h"

namespace trackkit {
namespace {

constexpr wchar_t kDriveC[] = L"\\\\.\\C:";

using testing::ClassOf;
using testing::RectInClient;

std::wstring ItemText(HWND list, int row, int column) { return testing::ListItemText(list, row, column); }

TrackingInfo ScriptedStatistics(std::uint64_t writes)
{
    TrackingInfo info;
    info.clusterFactor1 = 512;
    info.clusterFactor2 = 8;
    info.bytesPerBlock = 65536;
    info.writesSeen = writes;
    info.writesConsidered = writes;
    info.trackingMicroseconds = 3'000'000;
    return info;
}

class MainFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::PrepareProgramShell();
    }

    void SetUp() override
    {
        TrackingGeometry geometry;
        geometry.clusterFactor1 = 512;
        geometry.clusterFactor2 = 8;
        geometry.blockCount = 4096;
        geometry.bytesPerBlock = 65536;
        source_ = &testing::ScriptedProgramDriver().AddScriptedVolume(kDriveC, geometry);
        source_->SetStatistics(ScriptedStatistics(1234));
        source_->MarkChanged(7);

        AppSettings& settings = ProgramSettings();
        settings = AppSettings{9, 1000, 0x00D77800, 50, 40, 1000, 700};
        ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
        frame_ = CreateMainFrame(Shell().instance);
        ASSERT_NE(frame_, nullptr);
    }

    void TearDown() override
    {
        if (IsWindow(frame_))
            DestroyWindow(frame_);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}  // the quit the frame posted
    }

    HWND frame_ = nullptr;
    ScriptedSource* source_ = nullptr;
};

TEST_F(MainFrameTest, BuildsTheWindowTreeWithItsClassesAndIds)
{
    const ShellWindows& shell = Shell();
    ASSERT_NE(shell.volumeList, nullptr);
    ASSERT_NE(shell.trackView, nullptr);
    ASSERT_NE(shell.statisticsList, nullptr);
    ASSERT_NE(shell.statusBar, nullptr);
    EXPECT_EQ(shell.mainMenu, GetMenu(frame_));

    HWND outer = GetParent(shell.volumeList);
    HWND inner = GetParent(shell.trackView);
    EXPECT_EQ(GetParent(outer), frame_);
    EXPECT_EQ(GetParent(inner), outer);
    EXPECT_EQ(GetParent(shell.statisticsList), inner);
    EXPECT_EQ(ClassOf(outer), L"SplitterClass");
    EXPECT_EQ(ClassOf(inner), L"SplitterClass");
    EXPECT_EQ(ClassOf(shell.volumeList), L"VolumeListClass");
    EXPECT_EQ(ClassOf(shell.trackView), L"TrackViewClass");
    EXPECT_EQ(ClassOf(shell.statisticsList), L"SysListView32");

    EXPECT_EQ(GetDlgCtrlID(shell.volumeList), 1000);
    EXPECT_EQ(GetDlgCtrlID(inner), 1001);
    EXPECT_EQ(GetDlgCtrlID(shell.statisticsList), 1000);
    EXPECT_EQ(GetDlgCtrlID(shell.trackView), 1016);
    EXPECT_EQ(GetDlgCtrlID(shell.statusBar), -1);

    const LONG_PTR frameStyle = GetWindowLongPtrW(frame_, GWL_STYLE);
    EXPECT_EQ(frameStyle & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    const LONG_PTR listStyle = GetWindowLongPtrW(shell.statisticsList, GWL_STYLE);
    EXPECT_TRUE(listStyle & LVS_REPORT);
    EXPECT_TRUE(listStyle & LVS_SHOWSELALWAYS);
    const auto extended = SendMessageW(shell.statisticsList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    EXPECT_NE(GetPropW(frame_, L"VistaDialog"), nullptr);

    wchar_t status[64] = {};
    GetWindowTextW(shell.statusBar, status, 64);
    EXPECT_STREQ(status, L" Ready...");
}

TEST_F(MainFrameTest, StatisticsListHasItsColumnsAndRowsAndShowsTheFirstPoll)
{
    HWND list = Shell().statisticsList;
    // The labels get what their longest needs and the value the rest of the
    // list, at the default size and at the smallest.
    int longest = 0;
    for (int row = 0; row < 18; ++row) {
        const std::wstring label = ItemText(list, row, 0);
        longest = std::max(longest, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                                  reinterpret_cast<LPARAM>(label.c_str()))));
    }
    for (const SIZE frame : {SIZE{960, 600}, SIZE{640, 280}}) {
        SCOPED_TRACE(frame.cx);
        SetWindowPos(frame_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(list, &client);
        const auto description = SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0);
        const auto value = SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0);
        EXPECT_GE(value, 140);
        EXPECT_GE(description + value, client.right) << "the value column reaches the list's right edge";
        if (client.right - longest >= 140 + 16) {
            EXPECT_GE(description, longest);
            EXPECT_LE(description, longest + 16);
        }
    }
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 18);
    EXPECT_EQ(ItemText(list, 0, 0), L"QXCBT Driver Version");
    EXPECT_EQ(ItemText(list, 0, 1), DriverVersionText(SystemDirectory()));
    EXPECT_EQ(ItemText(list, 17, 0), L"Number of TRIM/UNMAP Bytes");

    // The volume list selected C:, the first volume, and the pane polled it once.
    EXPECT_EQ(ItemText(list, 2, 1), L"1234");
    EXPECT_EQ(ItemText(list, 8, 1), L"3s");
    EXPECT_EQ(ItemText(list, 14, 1), L"4096");

    source_->SetStatistics(ScriptedStatistics(5678));
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(kCommandRefreshNow, 0), 0);
    EXPECT_EQ(ItemText(list, 2, 1), L"5678");
}

TEST_F(MainFrameTest, ViewCommandsReachTheBlockMapAndIgnoredOnesDoNothing)
{
    const TrackViewState* view = TrackViewStateOf(Shell().trackView);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->blockSize, 4u) << "a stored 9 starts at Small";
    EXPECT_EQ(ProgramSettings().blockSize, 4u);
    HMENU menu = Shell().mainMenu;
    EXPECT_TRUE(GetMenuState(menu, kCommandBlockSmall, MF_BYCOMMAND) & MF_CHECKED);

    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(kCommandBlockSmallest, 0), 0);
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(kCommandSpeedPaused, 0), 0);
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(40003, 0), 0);
    SendMessageW(frame_, WM_COMMAND, 0, 0);  // a dismissed context menu

    EXPECT_EQ(view->blockSize, 2u);
    EXPECT_EQ(ProgramSettings().blockSize, 2u);
    EXPECT_EQ(view->session.pollPeriod, kPollPaused);
    EXPECT_EQ(ProgramSettings().updateSpeed, kPollPaused);
    EXPECT_TRUE(GetMenuState(menu, kCommandBlockSmallest, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, kCommandBlockSmall, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu, kCommandSpeedPaused, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, kCommandSpeedNormal, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(IsWindow(frame_));
}

TEST_F(MainFrameTest, TheOuterSplitterFillsTheClientAboveTheStatusBarAfterResizes)
{
    HWND outer = GetParent(Shell().volumeList);
    for (const SIZE size : {SIZE{900, 600}, SIZE{700, 400}, SIZE{1200, 900}}) {
        SetWindowPos(frame_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(frame_, &client);
        const RECT status = RectInClient(Shell().statusBar, frame_);
        const RECT splitter = RectInClient(outer, frame_);
        EXPECT_EQ(splitter.left, 0);
        EXPECT_EQ(splitter.top, 0);
        EXPECT_EQ(splitter.right, client.right);
        EXPECT_EQ(splitter.bottom, client.bottom - (status.bottom - status.top)) << size.cx << "x" << size.cy;
    }

    MINMAXINFO limits{};
    SendMessageW(frame_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 640);
    EXPECT_EQ(limits.ptMinTrackSize.y, 280);
}

// Whether shown normal, minimised or maximised, the frame stores the
// rectangle it would be restored to, so the next start opens there.
TEST_F(MainFrameTest, ExitStoresTheRestoredRectangleInTheSettings)
{
    const struct {
        const char* what;
        int show;
    } cases[] = {{"normal", SW_SHOWNOACTIVATE}, {"minimised", SW_SHOWMINNOACTIVE}, {"maximised", SW_MAXIMIZE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!IsWindow(frame_))
            frame_ = CreateMainFrame(Shell().instance);
        ASSERT_NE(frame_, nullptr);
        SetWindowPos(frame_, nullptr, 30, 20, 800, 500, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(frame_, c.show);

        SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);

        EXPECT_FALSE(IsWindow(frame_));
        EXPECT_EQ(ProgramSettings().windowLeft, 30);
        EXPECT_EQ(ProgramSettings().windowTop, 20);
        EXPECT_EQ(ProgramSettings().windowWidth, 800);
        EXPECT_EQ(ProgramSettings().windowHeight, 500);
        MSG message{};
        EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
        EXPECT_EQ(TrackViewStateOf(Shell().trackView), nullptr) << "the pane freed its record";
    }
}

// The user's moving or sizing of the frame pauses the map's polling: the
// frame passes the news on to the pane.
TEST_F(MainFrameTest, MovingOrSizingTheFramePausesThePollTimer)
{
    HWND pane = Shell().trackView;
    const auto timerRunning = [pane] {
        if (!KillTimer(pane, kPollTimerId))
            return false;
        SetTimer(pane, kPollTimerId, 1000, nullptr);
        return true;
    };
    ASSERT_TRUE(timerRunning()) << "the stored speed is Normal";
    SendMessageW(frame_, WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_FALSE(timerRunning());
    SendMessageW(frame_, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(timerRunning());
}

TEST_F(MainFrameTest, AVolumeThatDisappearsWhileSelectedLeavesTheRowsUnknown)
{
    testing::ScriptedProgramDriver().Find(kDriveC)->Faults().Always(DriverRequest::Geometry, Fault::Error(1167));
    // The volume went away: the list's refresh opens its selection again and
    // the driver no longer answers for it.
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(kCommandRefreshNow, 0), 0);

    EXPECT_EQ(ItemText(Shell().statisticsList, 2, 1), L"Unknown");
    EXPECT_EQ(ItemText(Shell().statisticsList, 15, 1), L"Unknown");
    const TrackViewState* view = TrackViewStateOf(Shell().trackView);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->session.bitmap.Empty());
    testing::ScriptedProgramDriver().Find(kDriveC)->Faults().ClearAll();
}

} // namespace
} // namespace trackkit
