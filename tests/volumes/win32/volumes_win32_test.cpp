// The VolumeListClass window, a child of a plain test window, and the real volume calls under Wine, whose drives
// C: (the prefix's drive_c) and Z: (the Unix root) are fixed. The list's rules are tested natively (tests/volumes).
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>
#include <vector>

#include "common/win32/gdi_objects.h"
#include "common/win32/locale_text.h"
#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"
#include "volumes/list_colors.h"
#include "volumes/volume_enumeration.h"
#include "volumes/win32/volume_list_window.h"
#include "volumes/win32/windows_volume_system.h"

namespace trackkit {
namespace {

constexpr int kMargin = 4, kPitch = 66;  // at 96 DPI with 32-pixel system icons, Wine's defaults

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

const ListColors kColors = ComputeListColors({GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
    GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHT)});

// One shown window for the whole process: without a window manager, Wine waits two seconds for each that goes.
HWND TestParent()
{
    static const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500,
                                               500, {}, {}, {}, {});
    SetForegroundWindow(parent);
    return parent;
}

void Repaint(HWND window)  // once whatever the system posted is handled
{
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
    UpdateWindow(window);
}

ColorRef PixelAt(HWND window, int x, int y) { return GetPixel(WindowDc(window).Get(), x, y); }

// A key and clicks reach the selection and the selected look moves. Only a volume's arrival or removal and Refresh
// Now rebuild the list; the scroll range follows the height and the number of volumes, added ones included.
TEST(VolumeListWindowTest, KeysClicksAndDeviceChangesReachTheListAndItsLookAndScrollRangeFollow)
{
    ASSERT_TRUE(GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSX) == 96 && GetSystemMetrics(SM_CXICON) == 32);
    testing::FakeVolumeSystem system;
    testing::FixedLocaleText locale;
    RecordingListHost host;
    system.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
    system.AddVolume(L"d", {L"D:\\"}, kDriveFixed, {8, 512, 1000, 1000});
    system.AddVolume(L"e", {L"E:\\"});
    for (auto& icon : system.icons) icon.second = 1000000;  // past the system image list: only the list's own drawing
    HWND list = CreateVolumeList(TestParent(), host, system, locale);
    MoveWindow(list, 0, 0, 300, 400, TRUE);
    SetFocus(list);
    ASSERT_TRUE(list != nullptr && RefreshVolumeList(list, false));
    Repaint(list);
    ASSERT_EQ(GetFocus(), list) << "another program took the focus";
    const auto item = [list](int index) { return VolumeListOf(list)->At(index)->itemRect; };
    const auto background = [&](int index) { return PixelAt(list, kMargin + 2, item(index).top + 2); };  // by the icon
    EXPECT_EQ((std::array{background(0), PixelAt(list, item(0).left, item(0).top), background(1), PixelAt(list, 1, 1)}),
              (std::array{kColors.selectedBack, kColors.focus, kColors.window, kColors.window}))
        << "selected, its focus frame, the next item, the margin";
    const LPARAM onFirst = MAKELPARAM(item(1).left + 5, item(1).top + 5);
    const LPARAM onSecond = MAKELPARAM(item(2).left + 100, item(2).top + 20);
    for (const auto& [message, wParam, lParam] : {std::tuple<UINT, WPARAM, LPARAM>{WM_KEYDOWN, VK_DOWN, 0},
             {WM_MOUSEMOVE, 0, onSecond}, {WM_LBUTTONDOWN, MK_LBUTTON, onSecond}, {WM_MOUSEMOVE, 0, onFirst},
             {WM_RBUTTONDOWN, 0, onFirst}})  // a move alone selects nothing
        SendMessageW(list, message, wParam, lParam);
    EXPECT_EQ(host.opened, (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:", L"\\\\.\\D:"}));
    Repaint(list);
    EXPECT_EQ((std::array{background(0), background(1)}), (std::array{kColors.window, kColors.selectedBack}));

    SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
    const auto range = [&] { return GetScrollInfo(list, SB_VERT, &scroll), std::pair{scroll.nMax, int(scroll.nPage)}; };
    MoveWindow(list, 0, 0, 300, 100, TRUE);
    system.AddVolume(L"f", {L"F:\\"});
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 0, 0};
    DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
    const struct { UINT message; WPARAM wParam; const void* broadcast; int walks; } cases[] = {  // 40008: Refresh Now
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &volume, 1}, {WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &volume, 1},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &port, 0}, {WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, &volume, 0},
        {WM_DEVICECHANGE, DBT_DEVICEARRIVAL, {}, 0}, {WM_COMMAND, 40008, {}, 1}, {WM_COMMAND, 40009, {}, 0}};
    for (const auto& c : cases) {
        const int before = system.searchesStarted;
        SendMessageW(list, c.message, c.wParam, LPARAM(c.broadcast));
        EXPECT_EQ(system.searchesStarted - before, c.walks) << c.message << " " << c.wParam;
    }
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 100}));
    MoveWindow(list, 0, 0, 300, 150, TRUE);
    EXPECT_EQ(range(), (std::pair{4 * kPitch, 150}));

    EXPECT_EQ(CreateWindowExW(0, kVolumeListClassName, L"", WS_CHILD, 0, 0, 10, 10, TestParent(), nullptr,
                              GetModuleHandleW(nullptr), nullptr), nullptr) << "a list without a host";
    DestroyWindow(list);
    for (HWND window : {HWND{}, TestParent(), GetDesktopWindow(), list})  // the last one destroyed
        EXPECT_FALSE(RefreshVolumeList(window, false) || VolumeListOf(window));
}

// The real calls: the system drive comes first, with sane texts, and its icon cell, selected, holds more than its
// background. The walk reaches every volume; missing drives and volumes answer nothing.
TEST(WindowsVolumeSystem, ListsTheSystemDriveFirstWithItsIconAndTextsWalksEveryVolumeAndAnswersNothingForMissingOnes)
{
    WindowsVolumeSystem system;
    WindowsLocaleText locale;
    RecordingListHost host;
    HWND list = CreateVolumeList(TestParent(), host, system, locale);
    MoveWindow(list, 0, 0, 300, 400, TRUE);
    ASSERT_TRUE(list != nullptr && RefreshVolumeList(list, false));
    Repaint(list);
    EXPECT_EQ(host.opened, std::vector<std::wstring>{L"\\\\.\\C:"});
    int plain = 0;
    for (int y = 2 * kMargin; y < 2 * kMargin + 48; ++y)
        for (int x = 2 * kMargin; x < 2 * kMargin + 48; ++x)
            plain += PixelAt(list, x, y) == kColors.inactiveSelectedBack || PixelAt(list, x, y) == kColors.selectedBack;
    EXPECT_LT(plain, 48 * 48 - 100);
    const VolumeEntry& c = VolumeListOf(list)->entries.at(0);
    EXPECT_TRUE(c.displayName == L"Local Disk (C:\\)" && c.driveType == DRIVE_FIXED && c.totalClusters > 0 &&
                c.bytesPerSector > 0 && c.sectorsPerCluster > 0 && c.ntDeviceName.starts_with(L"\\Device\\") &&
                c.freeSpaceText.find(L" free of ") != std::wstring::npos &&
                c.freeSpaceText.ends_with(L" (" + c.fileSystemName + L")")) << c.displayName << ", " << c.freeSpaceText;
    DestroyWindow(list);

    VolumeSearchStart start = system.StartVolumeSearch();
    ASSERT_NE(start.search, nullptr) << start.first.error;
    std::vector<std::wstring> names{start.first.name};  // how the walk ends is seen by the list's refresh above
    for (VolumeNameReply next; (next = start.search->Next()).error == 0 && names.size() < 64;)
        names.push_back(next.name);
    for (const std::wstring& name : names)
        EXPECT_TRUE(IsVolumeName(name) && system.NtDeviceName(DosDeviceNameOf(name)).starts_with(L"\\Device\\"))
            << name;
    std::array<wchar_t, 64> buffer{};
    const MountPathsReply reply = system.MountPathNames(names[0], std::span(buffer).first(1));
    const MountPaths paths = ReadMountPaths(system, names[0]);
    EXPECT_EQ(std::tuple(reply.error, paths.status, paths.paths.at(0).size() + 2),
              std::tuple(kErrorMoreData, MountPathsStatus::Read, reply.length)) << "one path, two terminators";

    EXPECT_EQ(system.FreeSpace(L"\\\\.\\C:").value().totalClusters,
              system.FreeSpace(L"C:\\").value().totalClusters) << "the poll's device path reads as the root";
    const std::wstring missing = L"Volume{00000000-dead-beef-0000-000000000000}";
    EXPECT_FALSE(system.FreeSpace(L"Q:\\") || system.Information(L"Q:\\") || !system.NtDeviceName(missing).empty() ||
                 system.DriveTypeOf(L"Q:\\") != DRIVE_NO_ROOT_DIR || system.MediaPresent(L"\\\\.\\NoSuchDevice") ||
                 system.MountPathNames(L"\\\\?\\" + missing + L"\\", buffer).error == 0 ||
                 system.MountPathNames(L"not a volume", buffer).error == 0);
}

} // namespace
} // namespace trackkit
