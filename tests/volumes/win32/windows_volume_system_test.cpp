// The real volume calls under Wine, which lists its drives C: (the prefix's
// drive_c) and Z: (the Unix root) as fixed volumes. How the list is built
// from their answers is tested natively (tests/volumes).
#include "volumes/win32/windows_volume_system.h"

#include <windows.h>

#include <gtest/gtest.h>

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

TEST(WindowsVolumeSystem, TheSystemDriveIsListedFirstWithSaneTexts)
{
    WindowsVolumeSystem system;
    WindowsLocaleText locale;
    RecordingListHost host;
    VolumeList list;

    ASSERT_TRUE(RefreshVolumes(list, system, locale, false, host));
    ASSERT_FALSE(list.entries.empty());
    const VolumeEntry& c = list.entries[0];
    EXPECT_EQ(c.devicePath, L"\\\\.\\C:");
    EXPECT_EQ(host.opened, std::vector<std::wstring>{c.devicePath});
    EXPECT_EQ(c.displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(c.driveType, static_cast<std::uint32_t>(DRIVE_FIXED));
    EXPECT_EQ(c.ntDeviceName.rfind(L"\\Device\\", 0), 0u) << c.ntDeviceName;
    EXPECT_GT(c.totalClusters, 0u);
    EXPECT_GT(c.bytesPerSector * c.sectorsPerCluster, 0u);
    EXPECT_EQ(c.usedClusters, c.totalClusters - c.freeClusters);
    // "<size> free of <size> (<file system>)", both sizes in Windows' short form.
    ASSERT_FALSE(c.fileSystemName.empty());
    EXPECT_GT(c.freeSpaceText.find(L" free of "), 0u);
    EXPECT_NE(c.freeSpaceText.find(L" free of "), std::wstring::npos) << c.freeSpaceText;
    EXPECT_EQ(c.freeSpaceText.substr(c.freeSpaceText.size() - c.fileSystemName.size() - 3),
              L" (" + c.fileSystemName + L")");
}

TEST(WindowsVolumeSystem, TheSearchWalksEveryVolumeAndMountPathsAskForMoreRoom)
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

    std::array<wchar_t, 1> tiny{};
    const MountPathsReply reply = system.MountPathNames(names[0], tiny);
    EXPECT_EQ(reply.error, kErrorMoreData);
    const MountPaths paths = ReadMountPaths(system, names[0]);
    EXPECT_EQ(paths.status, MountPathsStatus::Read);
    ASSERT_FALSE(paths.paths.empty());
    EXPECT_EQ(paths.paths[0].size() + 2, reply.length) << "one path, two terminators";
}

// The poll re-reads the free space through the device path, not the root.
TEST(WindowsVolumeSystem, FreeSpaceAnswersThroughTheDevicePathAndMissingDrivesAnswerNothing)
{
    WindowsVolumeSystem system;
    const auto byRoot = system.FreeSpace(L"C:\\");
    const auto byDevice = system.FreeSpace(L"\\\\.\\C:");
    ASSERT_TRUE(byRoot.has_value());
    ASSERT_TRUE(byDevice.has_value());
    EXPECT_EQ(byDevice->totalClusters, byRoot->totalClusters);
    EXPECT_TRUE(system.SystemIconIndex(L"C:\\").has_value());

    EXPECT_EQ(system.DriveTypeOf(L"Q:\\"), static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));
    EXPECT_FALSE(system.FreeSpace(L"Q:\\").has_value());
    EXPECT_FALSE(system.Information(L"Q:\\").has_value());
    EXPECT_EQ(system.NtDeviceName(L"Volume{00000000-dead-beef-0000-000000000000}"), L"");
    EXPECT_FALSE(system.MediaPresent(L"\\\\.\\NoSuchDevice"));
    std::array<wchar_t, 64> buffer{};
    EXPECT_NE(system.MountPathNames(L"\\\\?\\Volume{00000000-dead-beef-0000-000000000000}\\", buffer).error, 0u);
    EXPECT_NE(system.MountPathNames(L"not a volume", buffer).error, 0u);
}

} // namespace
} // namespace trackkit
