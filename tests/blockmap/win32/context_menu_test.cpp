// The block map's right-click menu: the menu bar's View menu, driven with
// keystrokes that wait in the queue for the menu's own loop. Whatever it
// returns goes to the frame as a WM_COMMAND, 0 when it was dismissed; the
// real frame routes View commands back to the pane.
#include <gtest/gtest.h>

#include "blockmap/view_options.h"
#include "pane_fixture.h"
#include "shell/win32/main_frame.h"
#include "support/program_shell.h"

namespace trackkit {
namespace {

using testing::Geometry;
using testing::HostCommands;
using testing::PaneTest;
using testing::ScriptedLookup;
using testing::ScriptedProgramDriver;

constexpr UINT_PTR kRescueTimer = 0x7E57;

// Should the menu ever ignore the keystrokes, this ends it after a while,
// so that the test fails instead of hanging. It counts the rescues.
class MenuRescue {
public:
    MenuRescue() { timer_ = SetTimer(nullptr, 0, 10000, Rescue); }
    ~MenuRescue() { KillTimer(nullptr, timer_); }
    MenuRescue(const MenuRescue&) = delete;
    MenuRescue& operator=(const MenuRescue&) = delete;

    static int& Rescues()
    {
        static int rescues = 0;
        return rescues;
    }

private:
    static void CALLBACK Rescue(HWND, UINT, UINT_PTR, DWORD)
    {
        ++Rescues();
        EndMenu();
    }
    UINT_PTR timer_ = 0;
};

void PostKeys(HWND window, std::initializer_list<wchar_t> keys)
{
    for (wchar_t key : keys)
        PostMessageW(window, WM_CHAR, key, 0);
}

void PostEscape(HWND window) { PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0); }

void RightClick(HWND pane, int x, int y)
{
    MenuRescue rescue;
    SendMessageW(pane, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
}

class ContextMenuTest : public PaneTest {
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        MenuRescue::Rescues() = 0;
    }
    void TearDown() override
    {
        EXPECT_EQ(MenuRescue::Rescues(), 0) << "the menu did not take the keystrokes";
        PaneTest::TearDown();
    }
};

TEST_F(ContextMenuTest, TheChosenItemGoesToTheFrame)
{
    const struct {
        const char* name;
        std::initializer_list<wchar_t> keys;
        WPARAM command;
    } cases[] = {
        {"Refresh Now", {L'r'}, kCommandRefreshNow},
        {"Update Speed, High", {L'u', L'h'}, kCommandSpeedHigh},
        {"Update Speed, Paused", {L'u', L'p'}, kCommandSpeedPaused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostCommands().clear();
        PostKeys(pane_, c.keys);
        RightClick(pane_, 100, 100);
        EXPECT_EQ(HostCommands(), std::vector<WPARAM>{c.command});
    }
    EXPECT_EQ(View().session.pollPeriod, kPollPaused) << "the pane acts on what the frame sends back, not on its own";
}

TEST_F(ContextMenuTest, DismissingTheMenuStillSendsCommandZero)
{
    PostEscape(pane_);
    RightClick(pane_, 100, 100);
    EXPECT_EQ(HostCommands(), std::vector<WPARAM>{0});
}

TEST_F(ContextMenuTest, TheMenuShowsTheViewItemsWithTheirCheckMarks)
{
    HMENU shown = nullptr;
    // The menu announces itself to its owner, the pane, before it opens.
    struct Spy {
        static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        {
            if (message == WM_INITMENUPOPUP && Shown() == nullptr)
                Shown() = reinterpret_cast<HMENU>(wParam);
            return CallWindowProcW(Original(), window, message, wParam, lParam);
        }
        static HMENU& Shown()
        {
            static HMENU menu = nullptr;
            return menu;
        }
        static WNDPROC& Original()
        {
            static WNDPROC original = nullptr;
            return original;
        }
    };
    Spy::Shown() = nullptr;
    Spy::Original() = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(pane_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy::Proc)));
    PostEscape(pane_);
    RightClick(pane_, 100, 100);
    SetWindowLongPtrW(pane_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Spy::Original()));
    shown = Spy::Shown();

    EXPECT_EQ(shown, GetSubMenu(menu_, 1));
    EXPECT_TRUE(GetMenuState(menu_, kCommandSpeedPaused, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu_, kCommandBlockSmall, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ContextMenuTest, MouseMessagesLeftBehindByTheMenuNeverReachTheMap)
{
    OpenAndShow(Geometry(5529));
    ScriptedLookup().answer = [](auto, auto) { return DriverReply::Failure(87); };
    constexpr UINT kMarker = WM_APP + 5;
    PostEscape(pane_);
    PostMessageW(pane_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(32, 17));
    PostMessageW(pane_, WM_LBUTTONUP, 0, MAKELPARAM(32, 17));
    PostMessageW(pane_, WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));
    PostMessageW(pane_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(40, 40));
    PostMessageW(pane_, kMarker, 0, 0);
    RightClick(pane_, 100, 100);

    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSEHWHEEL, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageW(&message, pane_, kMarker, kMarker, PM_REMOVE)) << "other messages stay";
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    EXPECT_TRUE(ScriptedLookup().requests.empty()) << "no click reached the map";
    EXPECT_EQ(HostCommands(), std::vector<WPARAM>{0});
}

// The same menu in the real main frame: its choice travels through the
// frame's command routing back to the pane.
class FrameContextMenuTest : public ::testing::Test {
protected:
    static LRESULT CALLBACK RecordingFrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COMMAND)
            HostCommands().push_back(wParam);
        return CallWindowProcW(FrameProc(), frame, message, wParam, lParam);
    }
    static WNDPROC& FrameProc()
    {
        static WNDPROC proc = nullptr;
        return proc;
    }

    void SetUp() override
    {
        testing::PrepareProgramShell();
        ScriptedProgramDriver().AddScriptedVolume(L"\\\\.\\C:", Geometry(4096));
        ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 20, 20, 900, 600};
        HostCommands().clear();
        MenuRescue::Rescues() = 0;
        ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
        frame_ = CreateMainFrame(Shell().instance);
        ASSERT_NE(frame_, nullptr);
        Shell().mainFrame = frame_;
        FrameProc() = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingFrameProc)));
    }

    void TearDown() override
    {
        EXPECT_EQ(MenuRescue::Rescues(), 0) << "the menu did not take the keystrokes";
        if (IsWindow(frame_))
            DestroyWindow(frame_);
        Shell() = ShellWindows{Shell().instance, Shell().heap};
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }

    bool PollTimerRunning(HWND pane)
    {
        if (!KillTimer(pane, kPollTimerId))
            return false;
        SetTimer(pane, kPollTimerId, TrackViewStateOf(pane)->session.pollPeriod, nullptr);
        return true;
    }

    HWND frame_ = nullptr;
};

TEST_F(FrameContextMenuTest, TheChoiceReachesThePaneThroughTheFrame)
{
    HWND pane = Shell().trackView;
    ASSERT_NE(TrackViewStateOf(pane), nullptr);
    ASSERT_TRUE(PollTimerRunning(pane));
    HMENU menu = Shell().mainMenu;

    PostKeys(pane, {L'u', L'p'});
    RightClick(pane, 50, 50);
    EXPECT_EQ(HostCommands(), std::vector<WPARAM>{kCommandSpeedPaused});
    EXPECT_EQ(TrackViewStateOf(pane)->session.pollPeriod, kPollPaused);
    EXPECT_EQ(ProgramSettings().updateSpeed, kPollPaused);
    EXPECT_TRUE(GetMenuState(menu, kCommandSpeedPaused, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, kCommandSpeedNormal, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(PollTimerRunning(pane));

    PostKeys(pane, {L'u', L'h'});
    RightClick(pane, 50, 50);
    EXPECT_EQ(TrackViewStateOf(pane)->session.pollPeriod, 250u);
    EXPECT_TRUE(PollTimerRunning(pane));
    EXPECT_TRUE(GetMenuState(menu, kCommandSpeedHigh, MF_BYCOMMAND) & MF_CHECKED);

    const std::uint64_t polls = ScriptedProgramDriver().Find(L"\\\\.\\C:")->Requests().Of(DriverRequest::Statistics);
    PostKeys(pane, {L'r'});
    RightClick(pane, 50, 50);
    // The frame sends Refresh Now to the volume list, whose refresh polls
    // its selected volume again, and then to the pane.
    EXPECT_GT(ScriptedProgramDriver().Find(L"\\\\.\\C:")->Requests().Of(DriverRequest::Statistics), polls);

    HostCommands().clear();
    PostEscape(pane);
    RightClick(pane, 50, 50);
    EXPECT_EQ(HostCommands(), std::vector<WPARAM>{0});
    EXPECT_EQ(TrackViewStateOf(pane)->session.pollPeriod, 250u) << "command 0 changes nothing";
    EXPECT_TRUE(IsWindow(frame_));
}

} // namespace
} // namespace trackkit
