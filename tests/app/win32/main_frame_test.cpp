// The main frame built for real in this process, with the simulated driver
// behind its block map. The layout and routing rules are tested natively.
#include "app/win32/main_frame.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "blockmap/win32/track_view_window.h"
#include "app/win32/scripted_program_driver.h"
#include "support/program_shell.h"
#include "support/window_text.h"

namespace trackkit {
namespace {

using testing::ListItemText;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source_ = &testing::ScriptedProgramDriver().AddScriptedVolume(L"\\\\.\\C:", {512, 8, 4096, 65536});
        source_->SetStatistics({.writesSeen = 1234});
        frame_ = program_.Create();
        ASSERT_NE(frame_, nullptr);
        windows_ = MainFrameWindowsOf(frame_);
    }
    void TearDown() override
    {
        DestroyWindow(frame_);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {}  // the quit the frame posted
    }
    testing::ProgramFrame program_{testing::ScriptedProgramDriver(), {4, 1000, 0x00D77800, 50, 40, 1000, 700}};
    HWND frame_ = nullptr;
    MainFrameWindows windows_;
    ScriptedSource* source_ = nullptr;
};

TEST_F(MainFrameTest, BuildsTheWindowTreeWithItsClassesAndIds)
{
    const MainFrameWindows& tree = windows_;
    EXPECT_EQ(tree.menu, GetMenu(frame_));
    HWND outer = GetParent(tree.volumeList), inner = GetParent(tree.trackView);
    for (const auto& [window, parent, className, id] :
         {std::tuple{outer, frame_, L"SplitterClass", -1}, {tree.volumeList, outer, L"VolumeListClass", 1000},
          {inner, outer, L"SplitterClass", 1001}, {tree.statisticsList, inner, L"SysListView32", 1000},
          {tree.trackView, inner, L"TrackViewClass", 1016}, {tree.statusBar, frame_, L"msctls_statusbar32", -1}}) {
        EXPECT_EQ(std::pair(GetParent(window), GetDlgCtrlID(window)), std::pair(parent, id)) << className;
        EXPECT_EQ(testing::ClassOf(window), className);
    }
    EXPECT_NE(GetPropW(frame_, L"VistaDialog"), nullptr);
    EXPECT_EQ(testing::WindowText(tree.statusBar), L" Ready...");
}

// C:, the first volume, is selected and polled; its rows' texts are tested
// natively. While the user sizes the frame, the map's polling pauses; then
// the splitter fills the client above the status bar and the value column
// reaches the list's edge.
TEST_F(MainFrameTest, TheStatisticsListShowsEachPollAtEverySizeAndSizingPausesThePolls)
{
    HWND list = windows_.statisticsList;
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 18);
    EXPECT_EQ(ListItemText(list, 2, 1), L"1234");
    source_->SetStatistics({.writesSeen = 5678});
    SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(IDM_VIEW_REFRESH_NOW, 0), 0);
    EXPECT_EQ(ListItemText(list, 2, 1), L"5678");

    HWND pane = windows_.trackView;
    const auto polling = [pane] { return KillTimer(pane, kPollTimerId) && SetTimer(pane, kPollTimerId, 1000, {}); };
    EXPECT_TRUE(polling()) << "the stored speed is Normal";
    SendMessageW(frame_, WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_FALSE(polling());
    SetWindowPos(frame_, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(frame_, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(polling());
    RECT client{}, listClient{};
    GetClientRect(frame_, &client);
    GetClientRect(list, &listClient);
    const RECT splitter = testing::RectInClient(GetParent(windows_.volumeList), frame_);
    EXPECT_EQ(std::tuple(splitter.left, splitter.top, splitter.right, splitter.bottom),
              std::tuple(0L, 0L, client.right, testing::RectInClient(windows_.statusBar, frame_).top));
    EXPECT_GE(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0) + SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), listClient.right);
    MINMAXINFO limits{};
    SendMessageW(frame_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(std::pair(limits.ptMinTrackSize.x, limits.ptMinTrackSize.y), std::pair(640L, 280L));
}

// The map's context menu: the keys wait in the queue for the menu's own loop,
// and a timer ends a menu that ignores them. The choice travels through the
// frame's command routing back to the pane; mouse messages left queued behind
// the menu never reach the map.
TEST_F(MainFrameTest, TheMapsContextMenuChoiceReachesThePaneThroughTheFrame)
{
    HWND pane = windows_.trackView;
    const auto contextMenu = [pane](std::initializer_list<WPARAM> keys) {
        for (WPARAM key : keys)
            PostMessageW(pane, key == VK_ESCAPE ? WM_KEYDOWN : WM_CHAR, key, 0);
        const UINT_PTR rescue = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
            ADD_FAILURE() << "the menu did not take the keystrokes";
            EndMenu();
        });
        SendMessageW(pane, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
        KillTimer(nullptr, rescue);
    };
    contextMenu({L'u', L'p'});
    PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(32, 17));
    PostMessageW(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(40, 40));
    PostMessageW(pane, WM_APP + 5, 0, 0);
    contextMenu({VK_ESCAPE});

    EXPECT_EQ(TrackViewStateOf(pane)->session.pollPeriod, kPollPaused);
    EXPECT_TRUE(GetMenuState(windows_.menu, IDM_VIEW_SPEED_PAUSED, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(KillTimer(pane, kPollTimerId)) << "the poll timer still runs";
    MSG left;
    EXPECT_FALSE(PeekMessageW(&left, nullptr, WM_MOUSEFIRST, WM_MOUSEHWHEEL, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageW(&left, pane, WM_APP + 5, WM_APP + 5, PM_REMOVE)) << "other messages stay";
    EXPECT_EQ(testing::ScriptedProgramDriver().Find(L"\\\\.\\C:")->Requests().Of(DriverRequest::Lookup), 0u);
}

// Normal, minimised or maximised, the frame stores its restored rectangle.
TEST_F(MainFrameTest, ExitStoresTheRestoredRectangleInTheSettings)
{
    for (const int show : {SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE, SW_MAXIMIZE}) {
        if (!IsWindow(frame_))
            windows_ = MainFrameWindowsOf(frame_ = program_.Create());
        SetWindowPos(frame_, nullptr, 30, 20, 800, 500, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(frame_, show);
        SendMessageW(frame_, WM_COMMAND, MAKEWPARAM(IDM_FILE_EXIT, 0), 0);

        EXPECT_FALSE(IsWindow(frame_)) << show;
        const AppSettings& stored = program_.settings;
        EXPECT_EQ(std::tuple(stored.windowLeft, stored.windowTop, stored.windowWidth, stored.windowHeight),
                  std::tuple(30, 20, 800, 500)) << show;
        MSG quit{};
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
        EXPECT_EQ(TrackViewStateOf(windows_.trackView), nullptr) << "the pane freed its record";
    }
}

} // namespace
} // namespace trackkit
