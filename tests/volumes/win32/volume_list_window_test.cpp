// The VolumeListClass window, created for real as the child of a plain test
// window, over a made-up machine: its items, pixels, keys, clicks and the
// messages the frame passes on to it.
#include "volumes/win32/volume_list_window.h"

#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"
#include "volumes/list_colors.h"
#include "volumes/win32/list_test_window.h"

namespace trackkit {
namespace {

using testing::CountPixels;
using testing::FakeVolumeSystem;
using testing::FixedLocaleText;
using testing::PixelAt;
using testing::PointParam;

constexpr int kRefreshNow = 40008;

// At 96 DPI with 32-pixel system icons (Wine's defaults, checked in SetUp):
// margins of 4, a 48-pixel icon cell, items 58 high and 66 apart.
constexpr int kMargin = 4;
constexpr int kItemHeight = 58;
constexpr int kPitch = 66;
constexpr int kListWidth = 300;
constexpr int kListHeight = 400;

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

ListColors CurrentColors()
{
    return ComputeListColors({GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE),
                              GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)});
}

class VolumeListWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, 96) << "the expected geometry is that of 96 DPI";
        ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);

        // Enumerated out of order: E (size unknown, a full bar), C (75% used),
        // D (nothing used).
        system_.AddVolume(L"e", {L"E:\\"});
        system_.spaces.erase(L"E:\\");
        system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
        system_.AddVolume(L"d", {L"D:\\"}, kDriveFixed, {8, 512, 1000, 1000});
        // An index past the system image list draws no icon, so the pixel
        // checks see only the list's own drawing.
        for (auto& icon : system_.icons)
            icon.second = 1000000;

        parent_ = testing::TestParent();
        ASSERT_NE(parent_, nullptr);
        list_ = CreateVolumeList(parent_, host_, system_, locale_);
        ASSERT_NE(list_, nullptr);
        MoveWindow(list_, 0, 0, kListWidth, kListHeight, TRUE);
        SetFocus(list_);
        ASSERT_TRUE(RefreshVolumeList(list_, false));
        Repaint();
    }

    void TearDown() override
    {
        if (list_ != nullptr && IsWindow(list_))
            DestroyWindow(list_);
        testing::PumpMessages();
    }

    void Repaint()
    {
        testing::PumpMessages();
        UpdateWindow(list_);
    }

    const VolumeList& List() const { return *VolumeListOf(list_); }
    ListRect ItemRect(int index) const { return List().At(index)->itemRect; }

    int ClientWidth() const
    {
        RECT client{};
        GetClientRect(list_, &client);
        return client.right;
    }

    void MoveTo(int x, int y) { SendMessageW(list_, WM_MOUSEMOVE, 0, PointParam(x, y)); }
    void Press(UINT message, int x, int y) { SendMessageW(list_, message, MK_LBUTTON, PointParam(x, y)); }
    void Key(WPARAM key) { SendMessageW(list_, WM_KEYDOWN, key, 0); }

    // A point well inside an item, on its background (left of the icon).
    static int BackgroundX() { return kMargin + 2; }
    int BackgroundY(int index) const { return ItemRect(index).top + 2; }
    // The middle row of an item crosses its usage bar; the bar starts right
    // of the icon cell (item left + 1 + 48 + 2 margins).
    int BarY(int index) const { return ItemRect(index).top + kItemHeight / 2; }
    static int BarInsideLeft() { return kMargin + 1 + 48 + 2 * kMargin + 1; }
    // Just past the bar's inside: item right, less a margin, a pixel and the frame.
    int BarInsideRight() const { return ClientWidth() - 2 * kMargin - 2; }

    FakeVolumeSystem system_;
    FixedLocaleText locale_;
    RecordingListHost host_;
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(VolumeListWindowTest, StartUpSortsSelectsTheFirstAndLaysOutEveryItem)
{
    EXPECT_EQ(host_.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    ASSERT_EQ(List().entries.size(), 3u);
    EXPECT_EQ(List().selectedIndex, 0);
    EXPECT_EQ(List().entries[0].displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(List().entries[2].displayName, L"Local Disk (E:\\)");
    for (int i = 0; i < 3; ++i) {
        const int top = kMargin + i * kPitch;
        EXPECT_EQ(ItemRect(i), (ListRect{kMargin, top, ClientWidth() - kMargin, top + kItemHeight})) << i;
    }
}

TEST_F(VolumeListWindowTest, BackgroundsShowSelectionFocusAndThePlainPane)
{
    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    const ListColors colors = CurrentColors();
    const ListRect selected = ItemRect(0);
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(0)), colors.selectedBack);
    EXPECT_EQ(PixelAt(list_, selected.left, selected.top), colors.focus);            // the focus frame
    EXPECT_EQ(PixelAt(list_, selected.right - 1, selected.bottom - 1), colors.focus);
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(1)), colors.window);
    EXPECT_EQ(PixelAt(list_, 1, 1), colors.window);                                  // the margin
    EXPECT_EQ(PixelAt(list_, BackgroundX(), kMargin + 3 * kPitch + 10), colors.window);  // below the items
}

TEST_F(VolumeListWindowTest, LosingTheFocusGreysTheSelectionAndDropsItsFrame)
{
    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    SetFocus(parent_);
    Repaint();
    const ListColors colors = CurrentColors();
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(0)), colors.inactiveSelectedBack);
    EXPECT_EQ(PixelAt(list_, ItemRect(0).left, ItemRect(0).top), colors.inactiveSelectedBack);

    SetFocus(list_);
    Repaint();
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(0)), colors.selectedBack);
}

TEST_F(VolumeListWindowTest, UsageBarsFillTheirShare)
{
    const ListColors colors = CurrentColors();
    const int left = BarInsideLeft() + 1;
    const int right = BarInsideRight() - 1;
    const struct {
        int index;
        ColorRef atLeft;
        ColorRef atRight;
    } cases[] = {
        {0, colors.barFill, colors.barBack},  // C: 75% used
        {1, colors.barBack, colors.barBack},  // D: nothing used
        {2, colors.barFill, colors.barFill},  // E: size unknown, full
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PixelAt(list_, left, BarY(c.index)), c.atLeft) << c.index;
        EXPECT_EQ(PixelAt(list_, right, BarY(c.index)), c.atRight) << c.index;
        EXPECT_EQ(PixelAt(list_, BarInsideLeft() - 1, BarY(c.index)), colors.barFrame) << c.index;
    }
    // C's fill ends three quarters of the way.
    const int inside = BarInsideRight() - BarInsideLeft();
    const int fillEnd = BarInsideLeft() + MulDiv(75, inside, 100);
    EXPECT_EQ(PixelAt(list_, fillEnd - 1, BarY(0)), colors.barFill);
    EXPECT_EQ(PixelAt(list_, fillEnd, BarY(0)), colors.barBack);
}

TEST_F(VolumeListWindowTest, ANarrowPaneDrawsNoTextLinesAndNoBars)
{
    const ListColors colors = CurrentColors();
    const ListRect wideRow{0, BarY(1) - 1, ClientWidth(), BarY(1) + 2};
    EXPECT_GT(CountPixels(list_, wideRow, colors.barFrame), 0);

    MoveWindow(list_, 0, 0, 60, kListHeight, TRUE);
    Repaint();
    const ListRect narrowItem{0, ItemRect(1).top, 60, ItemRect(1).bottom};
    EXPECT_EQ(ItemRect(1).right, kMargin + 48 + kMargin);  // the content never gets narrower
    EXPECT_EQ(CountPixels(list_, narrowItem, colors.barFrame), 0);
    EXPECT_EQ(CountPixels(list_, narrowItem, colors.barBack), 0);
    EXPECT_EQ(CountPixels(list_, narrowItem, colors.dimText), 0);
}

TEST_F(VolumeListWindowTest, ArrowKeysMoveTheSelectionAndOpenEachVolume)
{
    const struct {
        WPARAM key;
        int selectedAfter;
    } steps[] = {
        {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 2},  // no wrap at the end
        {VK_UP, 1},   {VK_HOME, 1}, {VK_END, 1},   // other keys are not handled
        {VK_NEXT, 1}, {VK_UP, 0},   {VK_UP, 0},
    };
    for (const auto& step : steps) {
        Key(step.key);
        EXPECT_EQ(List().selectedIndex, step.selectedAfter) << step.key;
    }
    EXPECT_EQ(host_.opened, (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:",
                                                       L"\\\\.\\C:"}));
}

TEST_F(VolumeListWindowTest, TheSelectedLookMovesWithTheKeyboard)
{
    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    Key(VK_DOWN);
    Repaint();
    const ListColors colors = CurrentColors();
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(1)), colors.selectedBack);
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(0)), colors.window);
}

TEST_F(VolumeListWindowTest, AClickSelectsTheItemThePointerMovedOnto)
{
    const ListRect target = ItemRect(2);
    MoveTo(target.left + 100, target.top + 20);
    Press(WM_LBUTTONDOWN, target.left + 100, target.top + 20);

    EXPECT_EQ(List().selectedIndex, 2);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\E:");
    EXPECT_TRUE(List().entries[2].selected);
    EXPECT_FALSE(List().entries[0].selected);

    // The right button selects too.
    MoveTo(ItemRect(1).left + 5, ItemRect(1).top + 5);
    Press(WM_RBUTTONDOWN, ItemRect(1).left + 5, ItemRect(1).top + 5);
    EXPECT_EQ(List().selectedIndex, 1);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\D:");
}

TEST_F(VolumeListWindowTest, PressesThatSelectNothing)
{
    // Without a move first, the press position alone selects nothing.
    Press(WM_LBUTTONDOWN, ItemRect(1).left + 10, ItemRect(1).top + 10);
    // On the selected item.
    MoveTo(ItemRect(0).left + 10, ItemRect(0).top + 10);
    Press(WM_LBUTTONDOWN, ItemRect(0).left + 10, ItemRect(0).top + 10);
    // Below the last item, with the focus elsewhere: the pane only takes it.
    SetFocus(parent_);
    MoveTo(50, kListHeight - 10);
    Press(WM_LBUTTONDOWN, 50, kListHeight - 10);

    EXPECT_EQ(host_.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    EXPECT_EQ(List().selectedIndex, 0);
    EXPECT_EQ(GetFocus(), list_);
}

TEST_F(VolumeListWindowTest, ThePointerHotTracksAnItemUntilItLeaves)
{
    const ListColors colors = CurrentColors();
    MoveTo(ItemRect(1).left + 10, ItemRect(1).top + 10);
    UpdateWindow(list_);
    EXPECT_EQ(List().hotIndex, 1);
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(1)), colors.hotBack);

    SendMessageW(list_, WM_MOUSELEAVE, 0, 0);
    UpdateWindow(list_);
    EXPECT_EQ(List().hotIndex, -1);
    EXPECT_FALSE(List().entries[1].hot);
    EXPECT_EQ(PixelAt(list_, BackgroundX(), BackgroundY(1)), colors.window);
}

TEST_F(VolumeListWindowTest, OnlyVolumeArrivalAndRemovalRefreshTheList)
{
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('F' - 'A');
    DEV_BROADCAST_HDR port{};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;

    const struct {
        const char* what;
        WPARAM event;
        const void* header;
        bool refreshes;
    } cases[] = {
        {"volume arrival", DBT_DEVICEARRIVAL, &volume, true},
        {"volume removal", DBT_DEVICEREMOVECOMPLETE, &volume, true},
        {"port arrival", DBT_DEVICEARRIVAL, &port, false},
        {"query remove", DBT_DEVICEQUERYREMOVE, &volume, false},
        {"device nodes changed", DBT_DEVNODES_CHANGED, nullptr, false},
        {"arrival without a header", DBT_DEVICEARRIVAL, nullptr, false},
    };
    for (const auto& c : cases) {
        const int before = system_.searchesStarted;
        SendMessageW(list_, WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(c.header));
        EXPECT_EQ(system_.searchesStarted - before, c.refreshes ? 1 : 0) << c.what;
    }
}

TEST_F(VolumeListWindowTest, AnArrivedVolumeIsListedAndTheSelectionKeepsItsPosition)
{
    Key(VK_DOWN);  // D: selected, at index 1
    system_.AddVolume(L"a", {L"A:\\"});
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    SendMessageW(list_, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));

    ASSERT_EQ(List().entries.size(), 4u);
    EXPECT_EQ(List().entries[0].devicePath, L"\\\\.\\A:");
    EXPECT_EQ(List().selectedIndex, 1);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\C:");
}

TEST_F(VolumeListWindowTest, RefreshNowRebuildsTheListAndOtherCommandsDoNot)
{
    const int before = system_.searchesStarted;
    SendMessageW(list_, WM_COMMAND, MAKEWPARAM(kRefreshNow + 1, 0), 0);
    EXPECT_EQ(system_.searchesStarted, before);

    Key(VK_DOWN);
    Key(VK_DOWN);  // E: selected, the last
    system_.names.pop_back();  // D: goes away
    SendMessageW(list_, WM_COMMAND, MAKEWPARAM(kRefreshNow, 0), 0);
    EXPECT_EQ(system_.searchesStarted, before + 1);
    ASSERT_EQ(List().entries.size(), 2u);
    EXPECT_EQ(List().selectedIndex, 1);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\E:");
}

TEST_F(VolumeListWindowTest, AFailedRefreshKeepsWhatItGatheredAndOpensNothing)
{
    system_.breakAtNext = 1;
    const std::size_t opened = host_.opened.size();
    EXPECT_FALSE(RefreshVolumeList(list_, true));
    ASSERT_EQ(List().entries.size(), 2u);
    EXPECT_EQ(List().entries[0].devicePath, L"\\\\.\\E:");  // enumeration order
    EXPECT_EQ(host_.opened.size(), opened);

    // The pane was not repainted; once it is, keys and clicks work on the
    // half-built list and stay within it.
    InvalidateRect(list_, nullptr, FALSE);
    Repaint();
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_UP);
    MoveTo(ItemRect(1).left + 5, ItemRect(1).top + 5);
    Press(WM_LBUTTONDOWN, ItemRect(1).left + 5, ItemRect(1).top + 5);
    EXPECT_EQ(std::vector<std::wstring>(host_.opened.begin() + static_cast<std::ptrdiff_t>(opened), host_.opened.end()),
              (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\E:", L"\\\\.\\C:"}));
    EXPECT_EQ(List().selectedIndex, 1);
}

TEST_F(VolumeListWindowTest, TheScrollRangeFollowsResizesAndRefreshes)
{
    MoveWindow(list_, 0, 0, kListWidth, 100, TRUE);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(list_, SB_VERT, &info));
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 3 * kPitch);
    EXPECT_EQ(info.nPage, 100u);

    // A volume added by a refresh can be scrolled to at once.
    system_.AddVolume(L"f", {L"F:\\"});
    RefreshVolumeList(list_, true);
    ASSERT_TRUE(GetScrollInfo(list_, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 4 * kPitch);
    EXPECT_EQ(info.nPage, 100u);

    MoveWindow(list_, 0, 0, kListWidth, 150, TRUE);
    ASSERT_TRUE(GetScrollInfo(list_, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 4 * kPitch);
    EXPECT_EQ(info.nPage, 150u);
}

TEST_F(VolumeListWindowTest, ScrollingMovesTheItemsUp)
{
    MoveWindow(list_, 0, 0, kListWidth, 100, TRUE);
    const struct {
        WORD request;
        int position;
    } steps[] = {
        {SB_LINEDOWN, 16},
        {SB_LINEDOWN, 32},
        {SB_LINEUP, 16},
        // The scroll bar keeps a whole page in view: it stops at 198 - 100 + 1.
        {SB_PAGEDOWN, 99},
        {SB_BOTTOM, 99},
        {SB_TOP, 0},
        {SB_LINEUP, 0},
        {SB_ENDSCROLL, 0},
    };
    for (const auto& step : steps) {
        SendMessageW(list_, WM_VSCROLL, MAKEWPARAM(step.request, 0), 0);
        EXPECT_EQ(GetScrollPos(list_, SB_VERT), step.position) << step.request;
    }
    SendMessageW(list_, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    Repaint();
    EXPECT_EQ(ItemRect(0).top, kMargin - 16);
    EXPECT_EQ(ItemRect(1).top, kMargin - 16 + kPitch);
}

TEST_F(VolumeListWindowTest, FreeSpaceRefreshRewritesTheTextsAndRepaintsTheList)
{
    FreeSpaceRefresher* refresher = VolumeListFreeSpace(list_);
    ASSERT_NE(refresher, nullptr);
    system_.spaces[L"\\\\.\\C:"] = {8, 512, 10, 1000};
    ValidateRect(list_, nullptr);

    refresher->RefreshFreeSpace();
    EXPECT_EQ(List().entries[0].freeSpaceText, L"40960 bytes free of 4096000 bytes (NTFS)");
    EXPECT_EQ(List().entries[0].percentUsed, 75u);  // the bar waits for a rebuild
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(list_, &update, FALSE));
    EXPECT_EQ(update.right - update.left, ClientWidth());
}

TEST_F(VolumeListWindowTest, ThemeChangesRereadTheSystemColours)
{
    const COLORREF original = GetSysColor(COLOR_WINDOW);
    const int element = COLOR_WINDOW;
    const COLORREF changed = RGB(10, 20, 30);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));

    Repaint();
    const bool staleBeforeTheMessage = PixelAt(list_, BackgroundX(), BackgroundY(1)) != changed;
    SendMessageW(list_, WM_THEMECHANGED, 0, 0);
    Repaint();
    const ColorRef afterwards = PixelAt(list_, BackgroundX(), BackgroundY(1));
    SetSysColors(1, &element, &original);

    EXPECT_TRUE(staleBeforeTheMessage);
    EXPECT_EQ(afterwards, changed);
}

TEST_F(VolumeListWindowTest, FunctionsGivenOtherWindowsDoNothing)
{
    for (HWND window : {static_cast<HWND>(nullptr), parent_, GetDesktopWindow()}) {
        EXPECT_FALSE(RefreshVolumeList(window, false));
        EXPECT_EQ(VolumeListFreeSpace(window), nullptr);
        EXPECT_EQ(VolumeListOf(window), nullptr);
    }
    // A list made without CreateVolumeList has no host and is refused.
    EXPECT_EQ(CreateWindowExW(0, kVolumeListClassName, L"", WS_CHILD, 0, 0, 10, 10, parent_, nullptr,
                              GetModuleHandleW(nullptr), nullptr),
              nullptr);
    // Once destroyed, the list is not one any more.
    DestroyWindow(list_);
    EXPECT_EQ(VolumeListOf(list_), nullptr);
    EXPECT_FALSE(RefreshVolumeList(list_, true));
}

// ----- the real machine -----------------------------------------------------

class SystemVolumeListTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (list_ != nullptr)
            DestroyWindow(list_);
    }

    RecordingListHost host_;
    HWND list_ = nullptr;
};

TEST_F(SystemVolumeListTest, ListsTheSystemDriveWithItsIcon)
{
    ASSERT_NE(testing::TestParent(), nullptr);
    list_ = CreateVolumeList(testing::TestParent(), host_);
    HWND list = list_;
    ASSERT_NE(list, nullptr);
    MoveWindow(list, 0, 0, kListWidth, kListHeight, TRUE);
    ASSERT_TRUE(RefreshVolumeList(list, false));
    testing::PumpMessages();
    UpdateWindow(list);

    const VolumeList& volumes = *VolumeListOf(list);
    ASSERT_FALSE(volumes.entries.empty());
    EXPECT_EQ(volumes.entries[0].devicePath, L"\\\\.\\C:");
    EXPECT_EQ(host_.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    EXPECT_NE(volumes.entries[0].freeSpaceText.find(L" free of "), std::wstring::npos);

    // The icon cell holds more than the item's background.
    const ListColors colors = CurrentColors();
    const ListRect iconCell{kMargin * 2, kMargin * 2, kMargin * 2 + 48, kMargin * 2 + 48};
    const int cellPixels = 48 * 48;
    const int background = CountPixels(list, iconCell, colors.inactiveSelectedBack) +
                           CountPixels(list, iconCell, colors.selectedBack);
    EXPECT_LT(background, cellPixels - 100);
}

} // namespace
} // namespace trackkit
