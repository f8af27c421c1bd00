// The VolumeListClass window, a child of a plain test window, and the real volume calls under
// Wine, whose drives C: (the prefix's drive_c) and Z: (the Unix root) are fixed. The list's
// rules, and how it is built from the calls' answers, are tested natively (tests/volumes).
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <array>

#include <utility>
#include <vector>

#include "support/recording_host.h"
#include "tracking/win32/locale_text.h"
#include "volumes/fake_volume_system.h"
#include "volumes/list_colors.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_window.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

using Paths = std::vector<std::wstring>;

// At 96 DPI with 32-pixel system icons (Wine's defaults, checked below):
// margins of 4, items 58 high and 66 apart.
constexpr int kMargin = 4;
constexpr int kItemHeight = 58;
constexpr int kPitch = 66;

struct RecordingListHost final : VolumeListHost {
    Paths opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

ListColors CurrentColors()
{
    return ComputeListColors({GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE),
                              GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)});
}

// One shown top-level window for the whole process: under Wine without a
// window manager, destroying one waits two seconds; its children go at once.
HWND TestParent()
{
    static const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500,
                                               500, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(parent);
    return parent;
}

void Repaint(HWND window)  // once whatever the system posted is handled
{
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
    UpdateWindow(window);
}

ColorRef PixelAt(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

class VolumeListWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HDC screen = GetDC(nullptr);
        ASSERT_TRUE(GetDeviceCaps(screen, LOGPIXELSX) == 96 && GetSystemMetrics(SM_CXICON) == 32) << "not Wine's default";
        ReleaseDC(nullptr, screen);
        // Enumerated out of order: E (size unknown), C, D.
        system_.AddVolume(L"e", {L"E:\\"});
        system_.spaces.erase(L"E:\\");
        system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
        system_.AddVolume(L"d", {L"D:\\"}, kDriveFixed, {8, 512, 1000, 1000});
        for (auto& icon : system_.icons)  // past the system image list: no icon, only the list's own drawing
            icon.second = 1000000;
        list_ = CreateVolumeList(TestParent(), host_, system_, locale_);
        ASSERT_NE(list_, nullptr);
        MoveWindow(list_, 0, 0, 300, 400, TRUE);
        SetFocus(list_);
        ASSERT_TRUE(RefreshVolumeList(list_, false));
        Repaint(list_);
    }
    void TearDown() override { DestroyWindow(list_); }

    const VolumeList& List() const { return *VolumeListOf(list_); }
    ListRect ItemRect(int index) const { return List().At(index)->itemRect; }
    ColorRef Background(int index) const { return PixelAt(list_, kMargin + 2, ItemRect(index).top + 2); }  // by the icon

    testing::FakeVolumeSystem system_;
    testing::FixedLocaleText locale_;
    RecordingListHost host_;
    HWND list_ = nullptr;
};

TEST_F(VolumeListWindowTest, StartUpSelectsAndOpensTheFirstAndPaintsItSelected)
{
    EXPECT_EQ(host_.opened, Paths{L"\\\\.\\C:"});
    ASSERT_EQ(List().entries.size(), 3u);
    RECT client{};
    GetClientRect(list_, &client);
    const int top = kMargin + 2 * kPitch;
    EXPECT_EQ(ItemRect(2), (ListRect{kMargin, top, client.right - kMargin, top + kItemHeight}));
    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    const ListColors colors = CurrentColors();
    EXPECT_EQ(Background(0), colors.selectedBack);
    EXPECT_EQ(PixelAt(list_, ItemRect(0).left, ItemRect(0).top), colors.focus);  // the focus frame
    EXPECT_EQ(Background(1), colors.window);
    EXPECT_EQ(PixelAt(list_, 1, 1), colors.window);  // the margin
}

TEST_F(VolumeListWindowTest, KeysAndClicksMoveTheSelectionOpenEachVolumeAndMoveTheSelectedLook)
{
    const LPARAM onFirst = MAKELPARAM(ItemRect(1).left + 5, ItemRect(1).top + 5);
    const LPARAM onSecond = MAKELPARAM(ItemRect(2).left + 100, ItemRect(2).top + 20);
    const struct { UINT message; WPARAM wParam; LPARAM lParam; int selectedAfter; } steps[] = {
        {WM_KEYDOWN, VK_DOWN, 0, 1}, {WM_KEYDOWN, VK_DOWN, 0, 2}, {WM_KEYDOWN, VK_DOWN, 0, 2},  // no wrap at the end
        {WM_KEYDOWN, VK_HOME, 0, 2}, {WM_KEYDOWN, VK_UP, 0, 1},  // other keys are not handled
        {WM_MOUSEMOVE, 0, onSecond, 1}, {WM_LBUTTONDOWN, MK_LBUTTON, onSecond, 2},  // the item the pointer is on
        {WM_MOUSEMOVE, 0, onFirst, 2}, {WM_RBUTTONDOWN, 0, onFirst, 1},  // the right button selects too
    };
    for (const auto& step : steps) {
        SendMessageW(list_, step.message, step.wParam, step.lParam);
        EXPECT_EQ(List().selectedIndex, step.selectedAfter) << step.message << " " << step.wParam;
    }
    EXPECT_EQ(host_.opened, (Paths{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:"}));
    ASSERT_EQ(GetFocus(), list_) << "another program took the focus";
    Repaint(list_);
    EXPECT_EQ(Background(1), CurrentColors().selectedBack);
    EXPECT_EQ(Background(0), CurrentColors().window);
}

TEST_F(VolumeListWindowTest, VolumeArrivalOrRemovalAndRefreshNowRebuildTheListAndNothingElseDoes)
{
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 0, 0};
    DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
    const struct { UINT message; WPARAM wParam; const void* broadcast; bool refreshes; } cases[] = {
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &volume, true}, {WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &volume, true},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &port, false}, {WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, &volume, false},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, nullptr, false},
        {WM_COMMAND, 40008, nullptr, true},  // Refresh Now
        {WM_COMMAND, 40009, nullptr, false},
    };
    for (const auto& c : cases) {
        const int before = system_.searchesStarted;
        SendMessageW(list_, c.message, c.wParam, LPARAM(c.broadcast));
        EXPECT_EQ(system_.searchesStarted - before, c.refreshes ? 1 : 0) << c.message << " " << c.wParam;
    }
}

// The scroll range follows the pane's height and the number of volumes: a
// volume added by a refresh can be scrolled to at once.
TEST_F(VolumeListWindowTest, TheScrollRangeFollowsResizesAndRefreshes)
{
    const auto range = [this] {
        SCROLLINFO info{sizeof info, SIF_ALL};
        GetScrollInfo(list_, SB_VERT, &info);
        return std::pair{info.nMax, static_cast<int>(info.nPage)};
    };
    MoveWindow(list_, 0, 0, 300, 100, TRUE);
    EXPECT_EQ(range(), (std::pair{3 * kPitch, 100}));
    system_.AddVolume(L"f", {L"F:\\"});
    RefreshVolumeList(list_, true);
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 100}));
    MoveWindow(list_, 0, 0, 300, 150, TRUE);
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 150}));
}

TEST_F(VolumeListWindowTest, FunctionsGivenOtherWindowsDoNothing)
{
    for (HWND window : {HWND{}, TestParent(), GetDesktopWindow()}) {
        EXPECT_FALSE(RefreshVolumeList(window, false));
        EXPECT_EQ(VolumeListFreeSpace(window), nullptr);
        EXPECT_EQ(VolumeListOf(window), nullptr);
    }
    EXPECT_EQ(CreateWindowExW(0, kVolumeListClassName, L"", WS_CHILD, 0, 0, 10, 10, TestParent(), nullptr,
                              GetModuleHandleW(nullptr), nullptr), nullptr) << "a list without a host";
    DestroyWindow(list_);
    EXPECT_EQ(VolumeListOf(list_), nullptr) << "once destroyed, the list is not one any more";
}

// The icon cell of the selected first item holds more than its background.
TEST(SystemVolumeListTest, ListsTheSystemDriveWithItsIcon)
{
    RecordingListHost host;
    HWND list = CreateVolumeList(TestParent(), host);
    ASSERT_NE(list, nullptr);
    MoveWindow(list, 0, 0, 300, 400, TRUE);
    ASSERT_TRUE(RefreshVolumeList(list, false));
    Repaint(list);
    EXPECT_EQ(host.opened, Paths{L"\\\\.\\C:"});
    const ListColors colors = CurrentColors();
    int background = 0;
    for (int y = 2 * kMargin; y < 2 * kMargin + 48; ++y)
        for (int x = 2 * kMargin; x < 2 * kMargin + 48; ++x)
            background += PixelAt(list, x, y) == colors.inactiveSelectedBack ||
                          PixelAt(list, x, y) == colors.selectedBack;
    EXPECT_LT(background, 48 * 48 - 100);
    DestroyWindow(list);
}

// The system drive comes first; the poll re-reads the free space through the
// device path, not the root; missing drives answer nothing.
TEST(WindowsVolumeSystem, TheSystemDriveIsListedFirstWithSaneTextsAndMissingDrivesAnswerNothing)
{
    WindowsVolumeSystem system;
    WindowsLocaleText locale;
    RecordingListHost host;
    VolumeList list;
    ASSERT_TRUE(RefreshVolumes(list, system, locale, false, host));
    const VolumeEntry& c = list.entries.at(0);
    EXPECT_EQ(host.opened, Paths{L"\\\\.\\C:"});
    EXPECT_EQ(c.displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(c.driveType, DWORD{DRIVE_FIXED});
    EXPECT_EQ(c.ntDeviceName.rfind(L"\\Device\\", 0), 0u) << c.ntDeviceName;
    EXPECT_TRUE(c.totalClusters > 0 && c.bytesPerSector * c.sectorsPerCluster > 0);
    // "<size> free of <size> (<file system>)", both sizes in Windows' short form.
    EXPECT_NE(c.freeSpaceText.find(L" free of "), std::wstring::npos) << c.freeSpaceText;
    EXPECT_TRUE(c.freeSpaceText.ends_with(L" (" + c.fileSystemName + L")")) << c.freeSpaceText;
    EXPECT_EQ(system.FreeSpace(L"\\\\.\\C:").value().totalClusters, system.FreeSpace(L"C:\\").value().totalClusters);
    EXPECT_TRUE(system.SystemIconIndex(L"C:\\").has_value());

    EXPECT_EQ(system.DriveTypeOf(L"Q:\\"), DWORD{DRIVE_NO_ROOT_DIR});
    EXPECT_FALSE(system.FreeSpace(L"Q:\\") || system.Information(L"Q:\\"));
    EXPECT_EQ(system.NtDeviceName(L"Volume{00000000-dead-beef-0000-000000000000}"), L"");
    EXPECT_FALSE(system.MediaPresent(L"\\\\.\\NoSuchDevice"));
    std::array<wchar_t, 64> buffer{};
    EXPECT_NE(system.MountPathNames(L"\\\\?\\Volume{00000000-dead-beef-0000-000000000000}\\", buffer).error, 0u);
    EXPECT_NE(system.MountPathNames(L"not a volume", buffer).error, 0u);
}

TEST(WindowsVolumeSystem, TheSearchWalksEveryVolumeAndMountPathsAskForMoreRoom)
{
    WindowsVolumeSystem system;
    VolumeSearchStart start = system.StartVolumeSearch();
    ASSERT_NE(start.search, nullptr) << start.first.error;
    Paths names{start.first.name};
    VolumeNameReply next;
    while ((next = start.search->Next()).error == 0 && names.size() < 64)
        names.push_back(next.name);
    EXPECT_EQ(next.error, kErrorNoMoreFiles);
    for (const std::wstring& name : names) {
        EXPECT_TRUE(IsVolumeName(name)) << name;
        EXPECT_EQ(system.NtDeviceName(DosDeviceNameOf(name)).rfind(L"\\Device\\", 0), 0u) << name;
    }
    std::array<wchar_t, 1> tiny{};
    const MountPathsReply reply = system.MountPathNames(names[0], tiny);
    EXPECT_EQ(reply.error, kErrorMoreData);
    const MountPaths paths = ReadMountPaths(system, names[0]);
    ASSERT_EQ(paths.status, MountPathsStatus::Read);
    EXPECT_EQ(paths.paths.at(0).size() + 2, reply.length) << "one path, two terminators";
}

} // namespace
} // namespace trackkit
