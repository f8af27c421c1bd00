// Rebuilding the whole list: enumeration, its failures, sorting and the
// selection that follows the position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"
#include "volumes/volume_enumeration.h"

namespace trackkit {
namespace {

using testing::FakeVolumeSystem;
using testing::FixedLocaleText;
using testing::VolumeNameOf;

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

std::vector<std::wstring> DevicePaths(const VolumeList& list)
{
    std::vector<std::wstring> paths;
    for (const VolumeEntry& entry : list.entries)
        paths.push_back(entry.devicePath);
    return paths;
}

int SelectedCount(const VolumeList& list)
{
    int count = 0;
    for (const VolumeEntry& entry : list.entries)
        count += entry.selected ? 1 : 0;
    return count;
}

class RefreshVolumesTest : public ::testing::Test {
protected:
    bool Refresh(bool keepSelection) { return RefreshVolumes(list_, system_, locale_, keepSelection, host_); }

    FakeVolumeSystem system_;
    FixedLocaleText locale_;
    RecordingListHost host_;
    VolumeList list_;
};

TEST_F(RefreshVolumesTest, StartUpSortsByDevicePathAndSelectsTheFirst)
{
    system_.AddVolume(L"d", {L"D:\\"});
    system_.AddVolume(L"c", {L"C:\\"});
    system_.AddVolume(L"e", {L"E:\\"});

    EXPECT_TRUE(Refresh(false));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:"}));
    EXPECT_EQ(list_.selectedIndex, 0);
    EXPECT_TRUE(list_.entries[0].selected);
    EXPECT_EQ(SelectedCount(list_), 1);
    EXPECT_EQ(host_.opened, (std::vector<std::wstring>{L"\\\\.\\C:"}));
    EXPECT_EQ(system_.searchesOpen, 0);
}

TEST_F(RefreshVolumesTest, SkippedVolumesLeaveNoGapAndHiddenVolumesAreNotListed)
{
    system_.AddVolume(L"dvd", {L"F:\\"}, kDriveCdRom);
    system_.AddVolume(L"net", {L"N:\\"}, kDriveRemote);
    system_.AddVolume(L"card", {L"E:\\"}, kDriveRemovable);
    system_.AddVolume(L"recovery", {});
    system_.AddVolume(L"d", {L"D:\\"});
    system_.AddVolume(L"c", {L"C:\\"});

    EXPECT_TRUE(Refresh(false));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\D:"}));
}

TEST_F(RefreshVolumesTest, FolderMountsSortBesideTheirDriveInEnumerationOrder)
{
    system_.AddVolume(L"mount2", {L"D:\\Two\\"});
    system_.AddVolume(L"e", {L"E:\\"});
    system_.AddVolume(L"d", {L"D:\\"});
    system_.AddVolume(L"mount1", {L"D:\\One\\"});
    system_.AddVolume(L"c", {L"C:\\"});

    EXPECT_TRUE(Refresh(false));
    std::vector<std::wstring> shown;
    for (const VolumeEntry& entry : list_.entries)
        shown.push_back(entry.displayName);
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"Local Disk (C:\\)", L"Local Disk (D:\\Two\\)", L"Local Disk (D:\\)",
                                                L"Local Disk (D:\\One\\)", L"Local Disk (E:\\)"}));
    EXPECT_EQ(list_.entries[1].devicePath, L"\\\\.\\D:");
}

TEST_F(RefreshVolumesTest, AVolumeWithSeveralMountPathsIsListedOnce)
{
    system_.AddVolume(L"g", {L"G:\\", L"C:\\g\\", L"H:\\"});
    EXPECT_TRUE(Refresh(false));
    ASSERT_EQ(list_.entries.size(), 1u);
    EXPECT_EQ(list_.entries[0].displayName, L"Local Disk (G:\\)");
}

TEST_F(RefreshVolumesTest, AMalformedNameEndsTheWalkQuietly)
{
    system_.AddVolume(L"d", {L"D:\\"});
    system_.names.push_back(L"C:\\");  // not a volume name
    system_.AddVolume(L"c", {L"C:\\"});

    EXPECT_TRUE(Refresh(false));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\D:"}));
    EXPECT_EQ(host_.opened, (std::vector<std::wstring>{L"\\\\.\\D:"}));
    EXPECT_EQ(system_.searchesOpen, 0);
}

TEST_F(RefreshVolumesTest, AMalformedFirstNameGivesAnEmptyListButSucceeds)
{
    const std::wstring malformed[] = {L"", L"\\\\?\\", L"\\\\?\\Volume{x}", L"garbage"};
    for (const std::wstring& name : malformed) {
        FakeVolumeSystem system;
        system.names = {name};
        VolumeList list;
        list.selectedIndex = 3;
        RecordingListHost host;

        EXPECT_TRUE(RefreshVolumes(list, system, locale_, true, host));
        EXPECT_TRUE(list.entries.empty());
        EXPECT_EQ(list.selectedIndex, -1);
        EXPECT_TRUE(host.opened.empty());
        EXPECT_EQ(system.searchesOpen, 0);
    }
}

TEST_F(RefreshVolumesTest, ASearchThatCannotStartEmptiesTheListAndKeepsTheIndex)
{
    const std::uint32_t errors[] = {kErrorNoMoreFiles, 5};  // no volumes at all; access denied
    for (const std::uint32_t error : errors) {
        VolumeList list;
        list.entries.resize(3);
        list.selectedIndex = 2;
        FakeVolumeSystem system;
        system.AddVolume(L"c", {L"C:\\"});
        system.startError = error;
        RecordingListHost host;

        EXPECT_FALSE(RefreshVolumes(list, system, locale_, true, host)) << error;
        EXPECT_TRUE(list.entries.empty());
        EXPECT_EQ(list.selectedIndex, 2);
        EXPECT_TRUE(host.opened.empty());
    }
}

TEST_F(RefreshVolumesTest, AnEmptyMachineSelectsNothing)
{
    list_.selectedIndex = -1;
    EXPECT_FALSE(Refresh(false));
    EXPECT_EQ(list_.selectedIndex, -1);
    EXPECT_TRUE(host_.opened.empty());
}

TEST_F(RefreshVolumesTest, ASearchThatBreaksKeepsWhatItGatheredUnsortedAndUnselected)
{
    system_.AddVolume(L"e", {L"E:\\"});
    system_.AddVolume(L"d", {L"D:\\"});
    system_.AddVolume(L"c", {L"C:\\"});
    system_.breakAtNext = 1;  // the second Next() fails
    list_.selectedIndex = 0;

    EXPECT_FALSE(Refresh(false));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\E:", L"\\\\.\\D:"}));
    EXPECT_EQ(SelectedCount(list_), 0);
    EXPECT_EQ(list_.selectedIndex, 0);
    EXPECT_TRUE(host_.opened.empty());
    EXPECT_EQ(system_.searchesOpen, 0);  // closed on the way out
}

TEST_F(RefreshVolumesTest, EveryRefreshReplacesAllEntries)
{
    system_.AddVolume(L"c", {L"C:\\"});
    system_.AddVolume(L"d", {L"D:\\"});
    ASSERT_TRUE(Refresh(false));
    list_.entries[1].hot = true;
    list_.entries[1].itemRect = {1, 2, 3, 4};
    list_.hotIndex = 1;

    ASSERT_TRUE(Refresh(true));
    ASSERT_EQ(list_.entries.size(), 2u);
    EXPECT_FALSE(list_.entries[1].hot);
    EXPECT_EQ(list_.entries[1].itemRect, ListRect{});
    EXPECT_EQ(list_.hotIndex, 1);  // the index stays, as the selection's does
    EXPECT_EQ(SelectedCount(list_), 1);
}

// The selection follows the position: the entry at the old index is selected,
// pulled back to the last entry when the list got shorter.
TEST_F(RefreshVolumesTest, SelectionAfterRefreshFollowsThePosition)
{
    const struct {
        const char* what;
        std::vector<std::wstring> before;  // drive letters
        int selectedBefore;
        bool keep;
        std::vector<std::wstring> after;
        int selectedAfter;
        std::wstring opened;  // empty: nothing
    } cases[] = {
        {"start-up", {}, -1, false, {L"C", L"D"}, 0, L"\\\\.\\C:"},
        {"start-up ignores an old index", {L"C", L"D"}, 1, false, {L"C", L"D"}, 0, L"\\\\.\\C:"},
        {"same volumes", {L"C", L"D", L"E"}, 1, true, {L"C", L"D", L"E"}, 1, L"\\\\.\\D:"},
        {"selected last volume removed", {L"C", L"D", L"E"}, 2, true, {L"C", L"D"}, 1, L"\\\\.\\D:"},
        {"volume added before the selection", {L"C", L"E"}, 1, true, {L"C", L"D", L"E"}, 1, L"\\\\.\\D:"},
        {"nothing selected stays so", {L"C"}, -1, true, {L"C", L"D"}, -1, L""},
        {"everything but removable media gone", {L"C", L"D"}, 1, true, {L"C"}, 0, L"\\\\.\\C:"},
    };
    for (const auto& c : cases) {
        FakeVolumeSystem system;
        for (const std::wstring& letter : c.after)
            system.AddVolume(letter, {letter + L":\\"});
        VolumeList list;
        list.entries.resize(c.before.size());
        list.selectedIndex = c.selectedBefore;
        RecordingListHost host;

        EXPECT_TRUE(RefreshVolumes(list, system, locale_, c.keep, host)) << c.what;
        EXPECT_EQ(list.selectedIndex, c.selectedAfter) << c.what;
        EXPECT_EQ(SelectedCount(list), c.selectedAfter == -1 ? 0 : 1) << c.what;
        if (c.selectedAfter != -1) {
            EXPECT_TRUE(list.entries[static_cast<std::size_t>(c.selectedAfter)].selected) << c.what;
        }
        EXPECT_EQ(host.opened, c.opened.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.opened})
            << c.what;
    }
}

TEST_F(RefreshVolumesTest, ARemovableDriveAppearsOnceItsMediaArrives)
{
    system_.AddVolume(L"c", {L"C:\\"});
    system_.AddVolume(L"card", {L"E:\\"}, kDriveRemovable);
    ASSERT_TRUE(Refresh(false));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\C:"}));

    system_.mediaIn.insert(L"\\\\.\\HarddiskVolumecard");
    ASSERT_TRUE(Refresh(true));
    EXPECT_EQ(DevicePaths(list_), (std::vector<std::wstring>{L"\\\\.\\C:", L"\\\\.\\E:"}));
    EXPECT_EQ(list_.entries[1].typeName, L"Removable Disk");
}

TEST_F(RefreshVolumesTest, QueryDosDeviceIsAskedWithoutPrefixAndTrailingBackslash)
{
    system_.AddVolume(L"c", {L"C:\\"});
    system_.ntDevices.clear();
    system_.ntDevices[L"Volume{c}"] = L"\\Device\\Special";
    ASSERT_TRUE(Refresh(false));
    EXPECT_EQ(list_.entries[0].ntDeviceName, L"\\Device\\Special");
}

// ----- the poller's free-space step -----------------------------------------

TEST_F(RefreshVolumesTest, FreeSpaceIsReReadThroughTheDevicePath)
{
    system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
    ASSERT_TRUE(Refresh(false));
    system_.calls.clear();
    system_.spaces[L"\\\\.\\C:"] = {8, 512, 100, 2000};

    RefreshFreeSpace(list_.entries[0], system_, locale_);
    const VolumeEntry& e = list_.entries[0];
    EXPECT_EQ(system_.calls, (std::vector<std::wstring>{L"space \\\\.\\C:"}));
    EXPECT_EQ(e.freeClusters, 100u);
    EXPECT_EQ(e.totalClusters, 2000u);
    EXPECT_EQ(e.freeSpaceText, L"409600 bytes free of 8192000 bytes (NTFS)");
    // The bar changes only with a rebuild.
    EXPECT_EQ(e.usedClusters, 750u);
    EXPECT_EQ(e.percentUsed, 75u);
}

TEST_F(RefreshVolumesTest, FreeSpaceThatCannotBeReadKeepsTheLastNumbersAndText)
{
    system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
    ASSERT_TRUE(Refresh(false));
    system_.spaces.clear();
    const VolumeEntry before = list_.entries[0];

    RefreshFreeSpace(list_.entries[0], system_, locale_);
    EXPECT_EQ(list_.entries[0].freeSpaceText, before.freeSpaceText);
    EXPECT_EQ(list_.entries[0].freeClusters, before.freeClusters);
    EXPECT_EQ(list_.entries[0].sectorsPerCluster, before.sectorsPerCluster);
}

} // namespace
} // namespace trackkit
