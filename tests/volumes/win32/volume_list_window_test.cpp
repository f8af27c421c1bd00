// The VolumeListClass window, created for real as the child of a plain test
// window over a made-up machine: its pixels, keys, clicks and the messages the
// frame passes on to it. Its layout, colours and selection rules are tested
// natively (tests/volumes).
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

using testing::PixelAt;
using testing::PointParam;

// At 96 DPI with 32-pixel system icons (Wine's defaults, checked in SetUp):
// margins of 4, items 58 high and 66 apart.
constexpr int kMargin = 4;
constexpr int kItemHeight = 58;
constexpr int kPitch = 66;

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

        // Enumerated out of order: E (size unknown), C, D.
        system_.AddVolume(L"e", {L"E:\\"});
        system_.spaces.erase(L"E:\\");
        system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
        system_.AddVolume(L"d", {L"D:\\"}, kDriveFixed, {8, 512, 1000, 1000});
        // An index past the system image list draws no icon, so the pixel
        // checks see only the list's own drawing.
        for (auto& icon : system_.icons)
            icon.second = 1000000;

        list_ = CreateVolumeList(testing::TestParent(), host_, system_, locale_);
        ASSERT_NE(list_, nullptr);
        MoveWindow(list_, 0, 0, 300, 400, TRUE);
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
    // The colour of an item's background, left of its icon.
    ColorRef Background(int index) const { return PixelAt(list_, kMargin + 2, ItemRect(index).top + 2); }
    void Key(WPARAM key) { SendMessageW(list_, WM_KEYDOWN, key, 0); }

    testing::FakeVolumeSystem system_;
    testing::FixedLocaleText locale_;
    RecordingListHost host_;
    HWND list_ = nullptr;
};

TEST_F(VolumeListWindowTest, StartUpListsSortedSelectsAndOpensTheFirstAndPaintsItSelected)
{
    EXPECT_EQ(host_.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    ASSERT_EQ(List().entries.size(), 3u);
    EXPECT_EQ(List().entries[2].displayName, L"Local Disk (E:\\)");
    RECT client{};
    GetClientRect(list_, &client);
    for (int i = 0; i < 3; ++i) {
        const int top = kMargin + i * kPitch;
        EXPECT_EQ(ItemRect(i), (ListRect{kMargin, top, client.right - kMargin, top + kItemHeight})) << i;
    }

    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    const ListColors colors = CurrentColors();
    EXPECT_EQ(Background(0), colors.selectedBack);
    EXPECT_EQ(PixelAt(list_, ItemRect(0).left, ItemRect(0).top), colors.focus);  // the focus frame
    EXPECT_EQ(Background(1), colors.window);
    EXPECT_EQ(PixelAt(list_, 1, 1), colors.window);  // the margin
}

TEST_F(VolumeListWindowTest, ArrowKeysMoveTheSelectionOpenEachVolumeAndMoveTheSelectedLook)
{
    const struct {
        WPARAM key;
        int selectedAfter;
    } steps[] = {
        {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 2},  // no wrap at the end
        {VK_HOME, 2}, {VK_UP, 1},                  // other keys are not handled
    };
    for (const auto& step : steps) {
        Key(step.key);
        EXPECT_EQ(List().selectedIndex, step.selectedAfter) << step.key;
    }
    EXPECT_EQ(host_.opened, (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:"}));

    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    Repaint();
    EXPECT_EQ(Background(1), CurrentColors().selectedBack);
    EXPECT_EQ(Background(0), CurrentColors().window);
}

TEST_F(VolumeListWindowTest, AClickSelectsTheItemThePointerMovedOnto)
{
    const ListRect target = ItemRect(2);
    SendMessageW(list_, WM_MOUSEMOVE, 0, PointParam(target.left + 100, target.top + 20));
    SendMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(target.left + 100, target.top + 20));
    EXPECT_EQ(List().selectedIndex, 2);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\E:");

    // The right button selects too.
    SendMessageW(list_, WM_MOUSEMOVE, 0, PointParam(ItemRect(1).left + 5, ItemRect(1).top + 5));
    SendMessageW(list_, WM_RBUTTONDOWN, 0, PointParam(ItemRect(1).left + 5, ItemRect(1).top + 5));
    EXPECT_EQ(List().selectedIndex, 1);
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\D:");
}

TEST_F(VolumeListWindowTest, VolumeArrivalOrRemovalAndRefreshNowRebuildTheListAndNothingElseDoes)
{
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    DEV_BROADCAST_HDR port{};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    const auto header = [](const void* broadcast) { return reinterpret_cast<LPARAM>(broadcast); };
    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool refreshes;
    } cases[] = {
        {"volume arrival", WM_DEVICECHANGE, DBT_DEVICEARRIVAL, header(&volume), true},
        {"volume removal", WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, header(&volume), true},
        {"port arrival", WM_DEVICECHANGE, DBT_DEVICEARRIVAL, header(&port), false},
        {"query remove", WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, header(&volume), false},
        {"arrival without a header", WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0, false},
        {"Refresh Now", WM_COMMAND, MAKEWPARAM(40008, 0), 0, true},
        {"another command", WM_COMMAND, MAKEWPARAM(40009, 0), 0, false},
    };
    for (const auto& c : cases) {
        const int before = system_.searchesStarted;
        SendMessageW(list_, c.message, c.wParam, c.lParam);
        EXPECT_EQ(system_.searchesStarted - before, c.refreshes ? 1 : 0) << c.what;
    }

    Key(VK_DOWN);  // D: selected, at index 1
    system_.AddVolume(L"a", {L"A:\\"});
    SendMessageW(list_, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, header(&volume));
    ASSERT_EQ(List().entries.size(), 4u);
    EXPECT_EQ(List().entries[0].devicePath, L"\\\\.\\A:");
    EXPECT_EQ(host_.opened.back(), L"\\\\.\\C:") << "the selection keeps its position";
}

TEST_F(VolumeListWindowTest, FunctionsGivenOtherWindowsDoNothing)
{
    for (HWND window : {static_cast<HWND>(nullptr), testing::TestParent(), GetDesktopWindow()}) {
        EXPECT_FALSE(RefreshVolumeList(window, false));
        EXPECT_EQ(VolumeListFreeSpace(window), nullptr);
        EXPECT_EQ(VolumeListOf(window), nullptr);
    }
    // A list made without CreateVolumeList has no host and is refused.
    EXPECT_EQ(CreateWindowExW(0, kVolumeListClassName, L"", WS_CHILD, 0, 0, 10, 10, testing::TestParent(), nullptr,
                              GetModuleHandleW(nullptr), nullptr),
              nullptr);
    DestroyWindow(list_);
    EXPECT_EQ(VolumeListOf(list_), nullptr) << "once destroyed, the list is not one any more";
}

TEST(SystemVolumeListTest, ListsTheSystemDriveWithItsIcon)
{
    RecordingListHost host;
    HWND list = CreateVolumeList(testing::TestParent(), host);
    ASSERT_NE(list, nullptr);
    MoveWindow(list, 0, 0, 300, 400, TRUE);
    ASSERT_TRUE(RefreshVolumeList(list, false));
    testing::PumpMessages();
    UpdateWindow(list);

    const VolumeList& volumes = *VolumeListOf(list);
    ASSERT_FALSE(volumes.entries.empty());
    EXPECT_EQ(host.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    EXPECT_NE(volumes.entries[0].freeSpaceText.find(L" free of "), std::wstring::npos);
    // The icon cell holds more than the item's background.
    const ListColors colors = CurrentColors();
    const ListRect iconCell{kMargin * 2, kMargin * 2, kMargin * 2 + 48, kMargin * 2 + 48};
    const int background = testing::CountPixels(list, iconCell, colors.inactiveSelectedBack) +
                           testing::CountPixels(list, iconCell, colors.selectedBack);
    EXPECT_LT(background, 48 * 48 - 100);
    DestroyWindow(list);
}

} // namespace
} // namespace trackkit
