// The VolumeListClass window, a child of a plain test window, and the real volume calls under
// Wine, whose drives C: (the prefix's drive_c) and Z: (the Unix root) are fixed. The list's
// rules, and how it is built from the calls' answers, are tested natively (tests/volumes).
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"
#include "volumes/list_colors.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_window.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

using Paths = std::vector<std::wstring>;

constexpr int kMargin = 4, kPitch = 66;  // at 96 DPI with 32-pixel system icons, Wine's defaults

struct RecordingListHost final : VolumeListHost {
    Paths opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

ListColors CurrentColors() { return ComputeListColors({GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
    GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)}); }

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

ColorRef PixelAt(HWND window, int x, int y) { return GetPixel(WindowDc(window).Get(), x, y); }

// The selection rules are native: here a key and clicks reach them and the selected look moves.
// Only a volume's arrival or removal and Refresh Now rebuild the list; the scroll range follows
// the pane's height and the number of volumes, so a volume added by a refresh can be scrolled to.
TEST(VolumeListWindowTest, KeysClicksAndDeviceChangesReachTheListAndItsLookAndScrollRangeFollow)
{
    ASSERT_TRUE(GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSX) == 96 && GetSystemMetrics(SM_CXICON) == 32)
        << "not Wine's default";
    testing::FakeVolumeSystem system;
    testing::FixedLocaleText locale;
    RecordingListHost host;
    system.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
    system.AddVolume(L"d", {L"D:\\"}, kDriveFixed, {8, 512, 1000, 1000});
    system.AddVolume(L"e", {L"E:\\"});
    for (auto& icon : system.icons)  // past the system image list: no icon, only the list's own drawing
        icon.second = 1000000;
    HWND list = CreateVolumeList(TestParent(), host, system, locale);
    ASSERT_NE(list, nullptr);
    MoveWindow(list, 0, 0, 300, 400, TRUE);
    SetFocus(list);
    ASSERT_TRUE(RefreshVolumeList(list, false));
    Repaint(list);
    ASSERT_EQ(GetFocus(), list) << "another program took the focus";
    const auto item = [list](int index) { return VolumeListOf(list)->At(index)->itemRect; };
    const auto background = [&](int index) { return PixelAt(list, kMargin + 2, item(index).top + 2); };  // by the icon
    const ListColors colors = CurrentColors();
    EXPECT_EQ((std::array{background(0), PixelAt(list, item(0).left, item(0).top), background(1), PixelAt(list, 1, 1)}),
              (std::array{colors.selectedBack, colors.focus, colors.window, colors.window}))
        << "selected, its focus frame, the next item, the margin";
    const LPARAM onFirst = MAKELPARAM(item(1).left + 5, item(1).top + 5);
    const LPARAM onSecond = MAKELPARAM(item(2).left + 100, item(2).top + 20);
    for (const auto& [message, wParam, lParam] : {std::tuple<UINT, WPARAM, LPARAM>{WM_KEYDOWN, VK_DOWN, 0},
             {WM_MOUSEMOVE, 0, onSecond}, {WM_LBUTTONDOWN, MK_LBUTTON, onSecond}, {WM_MOUSEMOVE, 0, onFirst},
             {WM_RBUTTONDOWN, 0, onFirst}})  // a move alone selects nothing
        SendMessageW(list, message, wParam, lParam);
    EXPECT_EQ(host.opened, (Paths{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:"}));
    Repaint(list);
    EXPECT_EQ((std::array{background(0), background(1)}), (std::array{colors.window, colors.selectedBack}));

    SCROLLINFO scroll{sizeof scroll, SIF_ALL};
    const auto range = [&] { return GetScrollInfo(list, SB_VERT, &scroll), std::pair{scroll.nMax, int(scroll.nPage)}; };
    MoveWindow(list, 0, 0, 300, 100, TRUE);
    system.AddVolume(L"f", {L"F:\\"});
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 0, 0};
    DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
    const struct { UINT message; WPARAM wParam; const void* broadcast; bool refreshes; } cases[] = {
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &volume, true}, {WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &volume, true},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &port, false}, {WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, &volume, false},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, nullptr, false}, {WM_COMMAND, 40008, nullptr, true},  // Refresh Now
        {WM_COMMAND, 40009, nullptr, false},
    };
    for (const auto& c : cases) {
        const int before = system.searchesStarted;
        SendMessageW(list, c.message, c.wParam, LPARAM(c.broadcast));
        EXPECT_EQ(system.searchesStarted - before, c.refreshes ? 1 : 0) << c.message << " " << c.wParam;
    }
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 100}));
    MoveWindow(list, 0, 0, 300, 150, TRUE);
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 150}));

    for (HWND window : {HWND{}, TestParent(), GetDesktopWindow()})
        EXPECT_FALSE(RefreshVolumeList(window, false) || VolumeListFreeSpace(window) || VolumeListOf(window));
    EXPECT_EQ(CreateWindowExW(0, kVolumeListClassName, L"", WS_CHILD, 0, 0, 10, 10, TestParent(), nullptr,
                              GetModuleHandleW(nullptr), nullptr), nullptr) << "a list without a host";
    DestroyWindow(list);
    EXPECT_EQ(VolumeListOf(list), nullptr) << "once destroyed, the list is not one any more";
}

// The real calls: the system drive comes first, with sane texts, and its icon cell, selected,
// holds more than its background.
TEST(WindowsVolumeSystem, ListsTheSystemDriveFirstWithItsIconAndTextsWalksEveryVolumeAndAnswersNothingForMissingOnes)
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
            background += PixelAt(list, x, y) == colors.inactiveSelectedBack || PixelAt(list, x, y) == colors.selectedBack;
    EXPECT_LT(background, 48 * 48 - 100);
    const VolumeEntry& c = VolumeListOf(list)->entries.at(0);
    EXPECT_EQ(c.displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(c.driveType, DWORD{DRIVE_FIXED});
    EXPECT_EQ(c.ntDeviceName.rfind(L"\\Device\\", 0), 0u) << c.ntDeviceName;
    EXPECT_TRUE(c.totalClusters > 0 && c.bytesPerSector * c.sectorsPerCluster > 0);
    EXPECT_TRUE(c.freeSpaceText.find(L" free of ") != std::wstring::npos &&
                c.freeSpaceText.ends_with(L" (" + c.fileSystemName + L")")) << c.freeSpaceText;
    DestroyWindow(list);

    // The walk reaches every volume; the poll re-reads the free space through the device path as
    // through the root; missing drives and volumes answer nothing.
    WindowsVolumeSystem system;
    VolumeSearchStart start = system.StartVolumeSearch();
    ASSERT_NE(start.search, nullptr) << start.first.error;
    Paths names{start.first.name};
    VolumeNameReply next;
    while ((next = start.search->Next()).error == 0 && names.size() < 64)
        names.push_back(next.name);
    EXPECT_EQ(next.error, kErrorNoMoreFiles);
    for (const std::wstring& name : names)
        EXPECT_TRUE(IsVolumeName(name) && system.NtDeviceName(DosDeviceNameOf(name)).starts_with(L"\\Device\\")) << name;
    std::array<wchar_t, 1> tiny{};
    const MountPathsReply reply = system.MountPathNames(names[0], tiny);
    EXPECT_EQ(reply.error, kErrorMoreData);
    const MountPaths paths = ReadMountPaths(system, names[0]);
    ASSERT_EQ(paths.status, MountPathsStatus::Read);
    EXPECT_EQ(paths.paths.at(0).size() + 2, reply.length) << "one path, two terminators";

    EXPECT_EQ(system.FreeSpace(L"\\\\.\\C:").value().totalClusters, system.FreeSpace(L"C:\\").value().totalClusters);
    EXPECT_EQ(system.DriveTypeOf(L"Q:\\"), DWORD{DRIVE_NO_ROOT_DIR});
    EXPECT_FALSE(system.FreeSpace(L"Q:\\") || system.Information(L"Q:\\") || system.MediaPresent(L"\\\\.\\NoSuchDevice"));
    EXPECT_EQ(system.NtDeviceName(L"Volume{00000000-dead-beef-0000-000000000000}"), L"");
    std::array<wchar_t, 64> buffer{};
    for (const wchar_t* name : {L"\\\\?\\Volume{00000000-dead-beef-0000-000000000000}\\", L"not a volume"})
        EXPECT_NE(system.MountPathNames(name, buffer).error, 0u) << name;
}

} // namespace
} // namespace trackkit
