// The real volume calls under Wine, which lists its drives C: (the prefix's
// drive_c) and Z: (the Unix root) as fixed NTFS volumes.
#include "volumes/win32/windows_volume_system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tracking/win32/locale_text.h"
#include "volumes/volume_enumeration.h"

namespace trackkit {
namespace {

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

const VolumeEntry* FindDevice(const VolumeList& list, std::wstring_view devicePath)
{
    const auto it = std::find_if(list.entries.begin(), list.entries.end(),
                                 [&](const VolumeEntry& entry) { return entry.devicePath == devicePath; });
    return it == list.entries.end() ? nullptr : &*it;
}

TEST(WindowsVolumeSystem, TheSystemDriveIsListedWithSaneTexts)
{
    WindowsVolumeSystem system;
    WindowsLocaleText locale;
    RecordingListHost host;
    VolumeList list;

    ASSERT_TRUE(RefreshVolumes(list, system, locale, false, host));
    const VolumeEntry* c = FindDevice(list, L"\\\\.\\C:");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->typeName, L"Local Disk");
    EXPECT_EQ(c->displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(c->driveType, static_cast<std::uint32_t>(DRIVE_FIXED));
    EXPECT_EQ(c->ntDeviceName.rfind(L"\\Device\\", 0), 0u) << c->ntDeviceName;
    EXPECT_FALSE(c->fileSystemName.empty());
    EXPECT_GT(c->totalClusters, 0u);
    EXPECT_GT(c->bytesPerSector * c->sectorsPerCluster, 0u);
    EXPECT_LE(c->percentUsed, 100u);
    EXPECT_EQ(c->usedClusters, c->totalClusters - c->freeClusters);

    // "<size> free of <size> (<file system>)", both sizes in Windows' short form.
    const std::wstring& text = c->freeSpaceText;
    const auto freeOf = text.find(L" free of ");
    ASSERT_NE(freeOf, std::wstring::npos) << text;
    EXPECT_GT(freeOf, 0u);
    EXPECT_EQ(text.substr(text.size() - c->fileSystemName.size() - 3), L" (" + c->fileSystemName + L")");
    EXPECT_NE(text.find(L"B"), std::wstring::npos) << text;
}

TEST(WindowsVolumeSystem, TheListIsSortedAndItsFirstVolumeOpened)
{
    WindowsVolumeSystem system;
    WindowsLocaleText locale;
    RecordingListHost host;
    VolumeList list;

    ASSERT_TRUE(RefreshVolumes(list, system, locale, false, host));
    ASSERT_FALSE(list.entries.empty());
    for (std::size_t i = 1; i < list.entries.size(); ++i)
        EXPECT_LE(CompareVolumeEntries(list.entries[i - 1], list.entries[i]), 0);
    EXPECT_EQ(list.selectedIndex, 0);
    EXPECT_TRUE(list.entries[0].selected);
    EXPECT_EQ(host.opened, std::vector<std::wstring>{list.entries[0].devicePath});
}

TEST(WindowsVolumeSystem, TheSearchWalksEveryVolumeAndEndsWithNoMoreFiles)
{
    WindowsVolumeSystem system;
    VolumeSearchStart start = system.StartVolumeSearch();
    ASSERT_NE(start.search, nullptr) << start.first.error;
    std::vector<std::wstring> names{start.first.name};
    VolumeNameReply next;
    for (int guard = 0; guard < 64; ++guard) {
        next = start.search->Next();
        if (next.error != 0)
            break;
        names.push_back(next.name);
    }
    EXPECT_EQ(next.error, kErrorNoMoreFiles);
    for (const std::wstring& name : names) {
        EXPECT_TRUE(IsVolumeName(name)) << name;
        EXPECT_EQ(system.NtDeviceName(DosDeviceNameOf(name)).rfind(L"\\Device\\", 0), 0u) << name;
    }
}

TEST(WindowsVolumeSystem, MountPathsAskForMoreRoomAndThenArrive)
{
    WindowsVolumeSystem system;
    VolumeSearchStart start = system.StartVolumeSearch();
    ASSERT_NE(start.search, nullptr);
    const std::wstring name = start.first.name;

    std::array<wchar_t, 1> tiny{};
    const MountPathsReply reply = system.MountPathNames(name, tiny);
    EXPECT_EQ(reply.error, kErrorMoreData);
    EXPECT_GT(reply.length, 1u);

    const MountPaths paths = ReadMountPaths(system, name);
    EXPECT_EQ(paths.status, MountPathsStatus::Read);
    ASSERT_FALSE(paths.paths.empty());
    EXPECT_EQ(paths.paths[0].size() + 2, reply.length) << paths.paths[0];  // one path, two terminators
}

TEST(WindowsVolumeSystem, FreeSpaceAnswersThroughTheDevicePath)
{
    WindowsVolumeSystem system;
    const auto byRoot = system.FreeSpace(L"C:\\");
    const auto byDevice = system.FreeSpace(L"\\\\.\\C:");
    ASSERT_TRUE(byRoot.has_value());
    ASSERT_TRUE(byDevice.has_value());
    EXPECT_EQ(byDevice->totalClusters, byRoot->totalClusters);
    EXPECT_EQ(byDevice->bytesPerSector, byRoot->bytesPerSector);
    EXPECT_TRUE(system.SystemIconIndex(L"C:\\").has_value());
    const auto info = system.Information(L"C:\\");
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->fileSystemName.empty());
}

TEST(WindowsVolumeSystem, MissingDrivesAndDevicesAnswerNothing)
{
    WindowsVolumeSystem system;
    EXPECT_EQ(system.DriveTypeOf(L"Q:\\"), static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));
    EXPECT_FALSE(system.FreeSpace(L"Q:\\").has_value());
    EXPECT_FALSE(system.Information(L"Q:\\").has_value());
    EXPECT_EQ(system.NtDeviceName(L"Volume{00000000-dead-beef-0000-000000000000}"), L"");
    EXPECT_FALSE(system.MediaPresent(L"\\\\.\\NoSuchDevice"));
    EXPECT_FALSE(system.MediaPresent(L""));

    std::array<wchar_t, 64> buffer{};
    EXPECT_NE(system.MountPathNames(L"\\\\?\\Volume{00000000-dead-beef-0000-000000000000}\\", buffer).error, 0u);
    EXPECT_NE(system.MountPathNames(L"not a volume", buffer).error, 0u);
}

} // namespace
} // namespace trackkit
