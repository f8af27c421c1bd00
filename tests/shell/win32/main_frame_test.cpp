// The main frame built for real in this process, with the simulated driver
// behind its block map: window tree, statistics rows, layout, command
// routing and what the frame stores when it goes away. The layout and
// routing rules are tested natively.
#include "shell/win32/main_frame.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    void SetUp() override
    {
        testing::PrepareProgramShell();
        TrackingGeometry geometry;
        geometry.clusterFactor1 = 512;
        geometry.clusterFactor2 = 8;
        geometry.blockCount = 4096;
        geometry.bytesPerBlock = 65536;
        source_ = &testing::ScriptedProgramDriver().AddScriptedVolume(kDriveC, geometry);
        source_->SetStatistics(ScriptedStatistics(1234));

        ProgramSettings() = AppSettings{9, 1000, 0x00D77800, 50, 40, 1000, 700};
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
    EXPECT_EQ(shell.mainMenu, GetMenu(frame_));
    HWND outer = GetParent(shell.volumeList);
    HWND inner = GetParent(shell.trackView);
    const struct {
        HWND window, parent;
        const wchar_t* className;
        int id;
    } tree[] = {
        {outer, frame_, L"SplitterClass", -1},
        {shell.volumeList, outer, L"VolumeListClass", 1000},
        {inner, outer, L"SplitterClass", 1001},
        {shell.statisticsList, inner, L"SysListView32", 1000},
        {shell.trackView, inner, L"TrackViewClass", 1016},
        {shell.statusBar, frame_, L"msctls_statusbar32", -1},
    };
    for (const auto& w : tree) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(w.className)));
        ASSERT_NE(w.window, nullptr);
        EXPECT_EQ(GetParent(w.window), w.parent);
        EXPECT_EQ(ClassOf(w.window), w.className);
        EXPECT_EQ(GetDlgCtrlID(w.window), w.id);
    }
    EXPECT_EQ(GetWindowLongPtrW(frame_, GWL_STYLE) & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN),
              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    EXPECT_EQ(GetWindowLongPtrW(shell.statisticsList, GWL_STYLE) & (LVS_TYPEMASK | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SHOWSELALWAYS);
    EXPECT_EQ(SendMessageW(shell.statisticsList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                  (LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER),
              LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    EXPECT_NE(GetPropW(frame_, L"VistaDialog"), nullptr);
    wchar_t status[16] = {};
    GetWindowTextW(shell.statusBar, status, 16);
    EXPECT_STREQ(status, L" Ready...");
}

// The volume list selected C:, the first volume, and the pane polled it.
TEST_F(MainFrameTest, TheStatisticsListShowsItsRowsAndEachPoll)
{
    HWND list = Shell().statisticsList;
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 18);
    EXPECT_EQ(ItemText(list, 0, 0), L"QXCBT Driver Version");
    EXPECT_EQ(ItemText(list, 0, 1), DriverVersionText(SystemDirectory()));
    EXPECT_EQ(ItemText(list, 17, 0), L"Number of TRIM/UNMAP Bytes");
    EXPECT_EQ(ItemText(list, 2, 1), L"1234");
    EXPECT_EQ(ItemText(list, 8, 1), L"3s");
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_GE(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) + SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), client.right)
        << "the value column reaches the list's right edge";

    source_->SetStatistics(ScriptedStatistics(5678));
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(kCommandRefreshNow, 0), 0);
    EXPECT_EQ(ItemText(list, 2, 1), L"5678");
}

TEST_F(MainFrameTest, TheOuterSplitterFillsTheClientAboveTheStatusBar)
{
    SetWindowPos(frame_, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(frame_, &client);
    const RECT status = RectInClient(Shell().statusBar, frame_);
    const RECT splitter = RectInClient(GetParent(Shell().volumeList), frame_);
    EXPECT_EQ(splitter.left, 0);
    EXPECT_EQ(splitter.top, 0);
    EXPECT_EQ(splitter.right, client.right);
    EXPECT_EQ(splitter.bottom, client.bottom - (status.bottom - status.top));

    MINMAXINFO limits{};
    SendMessageW(frame_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 640);
    EXPECT_EQ(limits.ptMinTrackSize.y, 280);
}

// Whether shown normal, minimised or maximised, the frame stores the
// rectangle it would be restored to, so the next start opens there.
TEST_F(MainFrameTest, ExitStoresTheRestoredRectangleInTheSettings)
{
    for (const int show : {SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE, SW_MAXIMIZE}) {
        SCOPED_TRACE(show);
        if (!IsWindow(frame_))
            frame_ = CreateMainFrame(Shell().instance);
        SetWindowPos(frame_, nullptr, 30, 20, 800, 500, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(frame_, show);

        SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);

        EXPECT_FALSE(IsWindow(frame_));
        const AppSettings& settings = ProgramSettings();
        EXPECT_EQ((std::vector{settings.windowLeft, settings.windowTop, settings.windowWidth, settings.windowHeight}),
                  (std::vector{30, 20, 800, 500}));
        MSG message{};
        EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
        EXPECT_EQ(TrackViewStateOf(Shell().trackView), nullptr) << "the pane freed its record";
    }
}

// The user's moving or sizing of the frame pauses the map's polling.
TEST_F(MainFrameTest, MovingOrSizingTheFramePausesThePollTimer)
{
    HWND pane = Shell().trackView;
    const auto timerRunning = [pane] {
        const bool running = KillTimer(pane, kPollTimerId);
        if (running)
            SetTimer(pane, kPollTimerId, 1000, nullptr);
        return running;
    };
    ASSERT_TRUE(timerRunning()) << "the stored speed is Normal";
    SendMessageW(frame_, WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_FALSE(timerRunning());
    SendMessageW(frame_, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(timerRunning());
}

} // namespace
} // namespace trackkit
