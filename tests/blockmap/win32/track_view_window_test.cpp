// The block-map pane's window procedure, built for real in a borderless host
// that stands in for the main frame (it records its WM_COMMANDs): bitmap,
// hover read-out, timer, painting on the screen, the cluster lookup dialog
// and the context menu. The layout, hover, lookup and view-command rules
// are tested natively; these tests pin what the window adds.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "blockmap/colors.h"
#include "blockmap/view_options.h"
#include "blockmap/win32/track_view_window.h"
#include "common/win32/gdi_objects.h"
#include "dialog_watcher.h"
#include "resources/resource_ids.h"
#include "shell/win32/main_frame.h"
#include "shell/win32/shell_windows.h"
#include "shell/win32/scripted_program_driver.h"
#include "support/program_shell.h"
#include "tracking/win32/lookup_dialog.h"

namespace trackkit {
namespace {

using testing::DialogWatcher;
using testing::ScriptedProgramDriver;
using Rows = std::vector<std::vector<std::wstring>>;

const std::wstring kReady = L" Ready...";

std::vector<WPARAM> hostCommands;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return DefWindowProcW(window, message, wParam, lParam);
    hostCommands.push_back(wParam);
    return 0;
}

// 64 KiB blocks on 4 KiB clusters.
TrackingGeometry Geometry(std::uint32_t blocks)
{
    TrackingGeometry geometry;
    geometry.clusterFactor1 = 512;
    geometry.clusterFactor2 = 8;
    geometry.blockCount = blocks;
    geometry.bytesPerBlock = 65536;
    return geometry;
}

// What the window shows on the screen at a client point, 0x00RRGGBB.
Pixel ScreenPixel(HWND window, int x, int y)
{
    WindowDc screen(window);
    return PixelFromColorRef(GetPixel(screen.Get(), x, y));
}

// The keys wait in the queue for the menu's own loop. Should the menu ignore
// them, a timer ends it, so that the test fails instead of hanging.
void OpenContextMenu(HWND pane, std::initializer_list<wchar_t> keys, bool escape = false)
{
    for (wchar_t key : keys)
        PostMessageW(pane, WM_CHAR, key, 0);
    if (escape)
        PostMessageW(pane, WM_KEYDOWN, VK_ESCAPE, 0);
    const UINT_PTR rescue = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
        ADD_FAILURE() << "the menu did not take the keystrokes";
        EndMenu();
    });
    SendMessageW(pane, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    KillTimer(nullptr, rescue);
}

// At 96 DPI with block size 4 the 500 x 300 pane has pitch 5, a map area
// from (5, 5) to (495, 295) and 98 columns.
class TrackViewWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::PrepareProgramShell();
        WNDCLASSEXW host{};
        host.cbSize = sizeof(host);
        host.lpfnWndProc = HostProc;
        host.hInstance = Shell().instance;
        host.lpszClassName = L"TrackKitTestHost";
        RegisterClassExW(&host);
    }

    void SetUp() override
    {
        ProgramSettings() = AppSettings{4, kPollPaused, 0x00D77800, 0, 0, 0, 0};
        hostCommands.clear();
        menu_ = LoadMenuW(Shell().instance, MAKEINTRESOURCEW(IDR_MAIN_MENU));
        ASSERT_NE(menu_, nullptr);
        Shell().mainMenu = menu_;
        host_ = CreateWindowExW(0, L"TrackKitTestHost", L"host", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 500, 340,
                                nullptr, nullptr, Shell().instance, nullptr);
        ASSERT_NE(host_, nullptr);
        Shell().mainFrame = host_;
        Shell().statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, kReady.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                            host_, nullptr, Shell().instance, nullptr);
        pane_ = CreateTrackView(host_, Shell().instance);
        ASSERT_NE(pane_, nullptr);
        Shell().trackView = pane_;
        SetWindowPos(pane_, nullptr, 0, 0, 500, 300, SWP_NOZORDER);
        // Not activated: with no window manager under Xvfb, Wine waits two
        // seconds for an activated window's withdrawal when it is destroyed.
        ShowWindow(host_, SW_SHOWNOACTIVATE);
        WindowDc screen(nullptr);
        ASSERT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSX), 96) << "the expected cells are those of 96 DPI";
    }

    void TearDown() override
    {
        ReleaseCapture();
        DestroyWindow(host_);
        DestroyMenu(menu_);
        Shell() = ShellWindows{Shell().instance, Shell().heap};
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }

    // Each volume gets a path of its own, since the pane keeps one it has open.
    ScriptedSource& AddVolume(const TrackingGeometry& geometry)
    {
        path_ = L"\\\\.\\T" + std::to_wstring(++volumes_) + L":";
        return ScriptedProgramDriver().AddScriptedVolume(path_, geometry);
    }
    void Show()
    {
        OpenTrackedVolumeInPane(pane_, path_);
        UpdateWindow(pane_);
    }
    void Open(const TrackingGeometry& geometry)
    {
        AddVolume(geometry);
        Show();
    }
    VolumeSession& Session() { return *ScriptedProgramDriver().Find(path_); }
    std::uint64_t Lookups() { return path_.empty() ? 0 : Session().Requests().Of(DriverRequest::Lookup); }
    TrackViewState& View() { return *TrackViewStateOf(pane_); }
    std::wstring StatusText() const { return testing::WindowText(Shell().statusBar); }
    void MoveMouse(int x, int y) { SendMessageW(pane_, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void Click(int x, int y) { SendMessageW(pane_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void RightClick(std::initializer_list<wchar_t> keys, bool escape = false) { OpenContextMenu(pane_, keys, escape); }
    bool PollTimerRunning()
    {
        if (!KillTimer(pane_, kPollTimerId))
            return false;
        SetTimer(pane_, kPollTimerId, View().session.pollPeriod, nullptr);
        return true;
    }

    HMENU menu_ = nullptr;
    HWND host_ = nullptr;
    HWND pane_ = nullptr;
    std::wstring path_;
    int volumes_ = 0;
};

// The bitmap is kept while it is at least as large as the client and at
// most twice as large, one row taller than the client.
TEST_F(TrackViewWindowTest, KeepsOrRecreatesItsBitmapAsThePaneIsResized)
{
    const struct {
        int width, height;
        SIZE dib;
    } steps[] = {
        {1000, 700, {1000, 701}}, {400, 300, {400, 301}},  {500, 350, {500, 351}},
        {250, 176, {500, 351}},   {250, 175, {250, 176}},  {0, 0, {0, 0}},
    };
    for (const auto& step : steps) {
        SetWindowPos(pane_, nullptr, 0, 0, step.width, step.height, SWP_NOZORDER | SWP_NOMOVE);
        const SIZE dib = TrackViewDibSize(pane_);
        EXPECT_EQ(dib.cx, step.dib.cx) << step.width << " x " << step.height;
        EXPECT_EQ(dib.cy, step.dib.cy) << step.width << " x " << step.height;
    }
}

TEST_F(TrackViewWindowTest, HoverWritesTheStatusBarAndHoldsTheMouseOverTheMap)
{
    Open(Geometry(5529));
    const struct {
        int x, y;
        std::wstring text;
        bool captured;
    } moves[] = {
        {32, 17, L"(32, 17)   Blocks=201-201   Clusters=3216-3231", true},
        {2, 100, kReady, false},
        {5, 5, L"(5, 5)   Blocks=0-0   Clusters=0-15", true},
        {-30, 500, kReady, false},
    };
    for (const auto& m : moves) {
        SetWindowTextW(Shell().statusBar, L"untouched");
        MoveMouse(m.x, m.y);
        EXPECT_EQ(StatusText(), m.text) << m.x << "," << m.y;
        EXPECT_EQ(GetCapture() == pane_, m.captured) << m.x << "," << m.y;
    }
    MoveMouse(32, 17);
    SendMessageW(pane_, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(StatusText(), kReady);
}

TEST_F(TrackViewWindowTest, TheTimerFollowsTheUpdateSpeedAndPausesDuringAResize)
{
    Open(Geometry(5529));
    EXPECT_FALSE(PollTimerRunning()) << "the stored speed is Paused";
    const struct {
        UINT message;
        WPARAM wParam;
        bool running;
        std::uint32_t period;
    } steps[] = {
        {WM_COMMAND, kCommandSpeedHigh, true, 250},         {WM_ENTERSIZEMOVE, 0, false, 250},
        {WM_EXITSIZEMOVE, 0, true, 250},                    {WM_COMMAND, kCommandSpeedLow, true, 10000},
        {WM_COMMAND, kCommandSpeedPaused, false, kPollPaused}, {WM_EXITSIZEMOVE, 0, false, kPollPaused},
        {WM_COMMAND, 40003, false, kPollPaused},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(::testing::Message() << step.message << " " << step.wParam);
        SendMessageW(pane_, step.message, step.wParam, 0);
        EXPECT_EQ(PollTimerRunning(), step.running);
        EXPECT_EQ(View().session.pollPeriod, step.period);
        EXPECT_EQ(ProgramSettings().updateSpeed, step.period);
    }

    const auto polls = [&] { return Session().Requests().Of(DriverRequest::Statistics); };
    const std::uint64_t before = polls();
    SendMessageW(pane_, WM_TIMER, kPollTimerId, 0);
    SendMessageW(pane_, WM_TIMER, 7, 0);  // not the poll timer
    EXPECT_EQ(polls(), before + 1);
    SendMessageW(pane_, WM_COMMAND, kCommandRefreshNow, 0);
    EXPECT_EQ(polls(), before + 2);
}

TEST_F(TrackViewWindowTest, DestroyingThePaneStopsTheTimerClosesTheVolumeAndFreesTheBitmap)
{
    Open(Geometry(5529));
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

// 20000 blocks pack four to a cell: cells 0 to 4 have 0 to 4 changed blocks,
// one of each level; $CBT's clusters 640 to 655 are block 40, in cell 10.
TEST_F(TrackViewWindowTest, TheScreenShowsTheLevelsTheGapsAndTheCbtCells)
{
    TrackingGeometry geometry = Geometry(20000);
    geometry.cbtFirstLcn = 640;
    geometry.cbtLastLcn = 655;
    ScriptedSource& source = AddVolume(geometry);
    for (int cell = 1; cell <= 4; ++cell)
        for (int block = 0; block < cell; ++block)
            source.MarkChanged(4 * static_cast<std::uint64_t>(cell) + block);
    Show();

    const auto at = [&](int x, int y) { return ScreenPixel(pane_, x, y); };
    const LevelPixels levels = BuildLevelPixels(GetSysColor(COLOR_3DFACE), ProgramSettings().blockColor);
    const Pixel background = PixelFromColorRef(GetSysColor(COLOR_WINDOW));
    for (int level = 0; level <= 4; ++level) {
        const int x = 5 + 5 * level;
        EXPECT_EQ(at(x, 5), levels[level]) << "level " << level;
        EXPECT_EQ(at(x + 3, 8), levels[level]) << "level " << level;
        EXPECT_EQ(at(x + 4, 6), background) << "gap right of cell " << level;
        EXPECT_EQ(at(x + 1, 9), background) << "gap below cell " << level;
    }
    EXPECT_EQ(at(56, 6), PixelFromColorRef(kCbtColor));
    EXPECT_EQ(at(61, 6), levels[0]);
    EXPECT_EQ(at(2, 2), background) << "the margin";
    EXPECT_EQ(at(16, 261), background) << "cell 5000, past the end";
}

TEST_F(TrackViewWindowTest, AThemeChangeOrABlockSizeCommandRepaints)
{
    AddVolume(Geometry(5529)).MarkChanged(1);
    Show();
    ASSERT_EQ(ScreenPixel(pane_, 11, 6), PixelFromColorRef(ProgramSettings().blockColor)) << "cell 1";

    ProgramSettings().blockColor = RGB(10, 200, 30);
    SendMessageW(pane_, WM_THEMECHANGED, 0, 0);
    UpdateWindow(pane_);
    EXPECT_EQ(ScreenPixel(pane_, 11, 6), PixelFromColorRef(RGB(10, 200, 30)));

    SendMessageW(pane_, WM_COMMAND, kCommandBlockSmallest, 0);
    UpdateWindow(pane_);
    EXPECT_EQ(ProgramSettings().blockSize, 2u);
    EXPECT_TRUE(GetMenuState(menu_, kCommandBlockSmallest, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu_, kCommandBlockSmall, MF_BYCOMMAND) & MF_CHECKED);
    // Block size 2 leaves margins of 3 and zooms to pitch 5: cell 1 at (8, 3).
    EXPECT_EQ(ScreenPixel(pane_, 8, 3), PixelFromColorRef(RGB(10, 200, 30)));
    EXPECT_EQ(ScreenPixel(pane_, 13, 3), PixelFromColorRef(GetSysColor(COLOR_3DFACE)));
}

// A source that notes the cursor while the file system is asked.
struct CursorNotingSource final : SessionSource {
    TrackingGeometry Geometry() override { return trackkit::Geometry(5529); }
    TrackingInfo Statistics() override { return {}; }
    std::span<const std::uint8_t> Bitmap() override { return {}; }
    StreamLookupAnswer LookupClusters(std::span<const std::uint64_t>) override
    {
        cursor = GetCursor();
        return {0, {{900, 0x01000000, L"\\Data\\orders.mdf"}, {100, 0x03000005, L"\\pagefile.sys"},
                    {500, 0x01000002, L"\\$LogFile"}}};
    }
    HCURSOR cursor = nullptr;
};

TEST_F(TrackViewWindowTest, AClickListsTheCellsStreamsInTheDialogFromItsResource)
{
    auto owned = std::make_unique<CursorNotingSource>();
    const CursorNotingSource& source = *owned;
    path_ = L"\\\\.\\L:";
    ScriptedProgramDriver().AddVolume(path_, std::move(owned));
    Show();
    MoveMouse(32, 17);
    ASSERT_EQ(GetCapture(), pane_);
    DialogWatcher watcher;
    ASSERT_TRUE(watcher.Hooked());

    Click(32, 17);

    ASSERT_EQ(watcher.seen.size(), 1u);
    const testing::SeenDialog& dialog = watcher.seen[0];
    EXPECT_EQ(dialog.title, L"Clusters 100 to 900 (3)");
    EXPECT_EQ(dialog.columnTitles, (std::vector<std::wstring>{L"Cluster", L"Path", L"Flags"}));
    EXPECT_EQ(dialog.columnWidths, (std::vector<int>{100, 450, 200}));
    const LRESULT extended = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER;
    EXPECT_EQ(dialog.listExtendedStyle & extended, extended);
    EXPECT_EQ(dialog.rows, (Rows{{L"100", L"\\pagefile.sys", L"PageFile| FsSys| System"},
                                 {L"500", L"\\$LogFile", L"DenyDefrag| Data"},
                                 {L"900", L"\\Data\\orders.mdf", L"Data"}}));
    const LONG_PTR listStyles = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    EXPECT_EQ(dialog.listStyle & (listStyles | LVS_TYPEMASK), listStyles);
    EXPECT_EQ(dialog.buttonIds, std::vector<int>{IDOK});
    EXPECT_EQ(dialog.fontFace, L"MS Shell Dlg");
    EXPECT_EQ(dialog.owner, host_) << "owned by the pane's top-level window";
    EXPECT_EQ(dialog.capture, nullptr) << "the pane let go of the mouse";
    EXPECT_EQ(source.cursor, LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

// OK and Cancel with notification code 0, Enter and Escape, the close box;
// other notifications leave it open.
TEST_F(TrackViewWindowTest, TheDialogEndsOnOkCancelEnterEscapeAndClose)
{
    ClusterLookupResult result;
    result.outcome = LookupOutcome::Listed;
    result.entries = {{7, 0, L"\\x"}};
    result.title = L"Clusters 7 to 7 (1)";
    const auto post = [](UINT message, WPARAM wParam, int item = 0) {
        return [=](HWND d) { PostMessageW(item ? GetDlgItem(d, item) : d, message, wParam, 0); };
    };
    const struct {
        const char* name;
        std::vector<std::function<void(HWND)>> posts;
        INT_PTR ended;
    } cases[] = {
        {"OK", {post(WM_COMMAND, IDOK)}, IDOK},
        {"a notification, then Cancel", {post(WM_COMMAND, MAKEWPARAM(IDOK, BN_SETFOCUS)), post(WM_COMMAND, IDCANCEL)},
         IDCANCEL},
        {"Escape", {post(WM_KEYDOWN, VK_ESCAPE, 1006)}, IDCANCEL},
        {"Enter", {post(WM_KEYDOWN, VK_RETURN, IDOK)}, IDOK},
        {"close box", {post(WM_SYSCOMMAND, SC_CLOSE)}, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DialogWatcher watcher([&](HWND dialog) {
            for (const auto& send : c.posts)
                send(dialog);
        });
        EXPECT_EQ(ShowLookupClustersDialog(Shell().instance, host_, result), c.ended);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].title, L"Clusters 7 to 7 (1)");
        EXPECT_FALSE(IsWindow(watcher.seen[0].window));
    }
}

TEST_F(TrackViewWindowTest, TheNoticeWhenTheFileSystemNamesNoFile)
{
    const std::wstring noUserFiles = L"There are no user files in the selected cluster range.";
    const struct {
        const char* name;
        std::uint32_t error;  // 0: a reply without entries
        std::uint64_t requests;
        std::wstring text;
    } cases[] = {
        {"rejected", 87, 1, noUserFiles},
        {"success that names no stream", 0, 1, noUserFiles},
        // The files exist, but their names outgrow the reply's ceiling.
        {"more data up to the ceiling", kErrorMoreData, 7,
         L"This cell covers too many files to list.\r\n\r\nChoose a smaller block size (View > Block Size > Small "
         L"or Smallest) so that each cell covers fewer blocks, then click the cell again."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSource& source = AddVolume(Geometry(5529));
        if (c.error != 0)
            source.SetLookupError(c.error);
        else
            source.SetLookupEntries({});
        Show();
        DialogWatcher watcher;
        Click(32, 17);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].title, L"Quillon Zezudo Zozor");
        EXPECT_EQ(watcher.seen[0].staticTexts, std::vector<std::wstring>{c.text});
        EXPECT_EQ(watcher.seen[0].buttonIds, std::vector<int>{IDOK});
        EXPECT_EQ(watcher.seen[0].owner, host_);
        EXPECT_EQ(Lookups(), c.requests);
    }
}

TEST_F(TrackViewWindowTest, AClickOffTheCellsAsksNothingButTakesTheFocus)
{
    Open(Geometry(5529));
    SetFocus(nullptr);
    DialogWatcher watcher;
    Click(2, 17);
    EXPECT_TRUE(watcher.seen.empty());
    EXPECT_EQ(Lookups(), 0u);
    EXPECT_EQ(GetFocus(), pane_);
}

// The View menu of the menu bar: its choice goes to the frame, 0 when it was
// dismissed; the pane acts only on what the frame sends back.
TEST_F(TrackViewWindowTest, TheContextMenusChoiceGoesToTheFrame)
{
    RightClick({L'u', L'h'});
    RightClick({}, true);
    EXPECT_EQ(hostCommands, (std::vector<WPARAM>{kCommandSpeedHigh, 0}));
    EXPECT_EQ(View().session.pollPeriod, kPollPaused);
}

TEST_F(TrackViewWindowTest, MouseMessagesLeftBehindByTheMenuNeverReachTheMap)
{
    Open(Geometry(5529));
    constexpr UINT kMarker = WM_APP + 5;
    PostMessageW(pane_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(32, 17));
    PostMessageW(pane_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(40, 40));
    PostMessageW(pane_, kMarker, 0, 0);
    RightClick({}, true);

    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSEHWHEEL, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessageW(&message, pane_, kMarker, kMarker, PM_REMOVE)) << "other messages stay";
    EXPECT_EQ(Lookups(), 0u);
}

// The same menu in the real main frame: the choice travels through the
// frame's command routing back to the pane.
TEST(FrameContextMenuTest, TheChoiceReachesThePaneThroughTheFrame)
{
    testing::PrepareProgramShell();
    ScriptedProgramDriver().AddScriptedVolume(L"\\\\.\\C:", Geometry(4096));
    ProgramSettings() = AppSettings{4, 1000, 0x00D77800, 20, 20, 900, 600};
    ASSERT_TRUE(RegisterMainFrameClass(Shell().instance));
    HWND frame = CreateMainFrame(Shell().instance);
    ASSERT_NE(frame, nullptr);
    Shell().mainFrame = frame;
    HWND pane = Shell().trackView;
    ASSERT_NE(TrackViewStateOf(pane), nullptr);

    OpenContextMenu(pane, {L'u', L'p'});

    EXPECT_EQ(TrackViewStateOf(pane)->session.pollPeriod, kPollPaused);
    EXPECT_EQ(ProgramSettings().updateSpeed, kPollPaused);
    EXPECT_TRUE(GetMenuState(Shell().mainMenu, kCommandSpeedPaused, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(KillTimer(pane, kPollTimerId)) << "the poll timer still runs";
    DestroyWindow(frame);
    Shell() = ShellWindows{Shell().instance, Shell().heap};
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
}

} // namespace
} // namespace trackkit
