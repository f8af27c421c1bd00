// Describing volumes, and rebuilding the whole list: enumeration, its
// failures, sorting and the selection that follows the position.
#include "volumes/volume_enumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"

namespace trackkit {
namespace {

using testing::FakeVolumeSystem;
using testing::FixedLocaleText;  // sizes read "<bytes> bytes"
using testing::VolumeNameOf;
using Texts = std::vector<std::wstring>;

struct RecordingListHost final : VolumeListHost {
    Texts opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

TEST(VolumeTexts, PercentUsedAndTheMediaCheckPath)
{
    const struct {
        std::uint32_t used, total, percent;
    } cases[] = {{0, 0, 100}, {1, 3, 33}, {999, 1000, 99}, {0xFFFFFFFF, 0xFFFFFFFF, 100}, {0xFFFFFFFE, 0xFFFFFFFF, 99}};
    for (const auto& c : cases)
        EXPECT_EQ(PercentUsed(c.used, c.total), c.percent) << c.used << "/" << c.total;  // a total of 0: a full bar
    EXPECT_EQ(MediaCheckPath(L"\\Device\\X"), L"\\\\.\\X");
    EXPECT_EQ(MediaCheckPath(L"\\Device\\"), std::nullopt);  // no device after the prefix
}

TEST(VolumeTexts, FreeSpaceTextUsesTheClusterSizeAndFileSystem)
{
    FixedLocaleText locale;
    const struct {
        DiskSpace space;
        std::wstring_view fileSystem, text;
    } cases[] = {
        {{8, 512, 10, 100}, L"NTFS", L"40960 bytes free of 409600 bytes (NTFS)"},
        {{0x10000, 0x10000, 5, 5}, L"FAT", L"0 bytes free of 0 bytes (FAT)"},  // the 32-bit cluster size wraps
        {{128, 4096, 0xFFFFFFFF, 0xFFFFFFFF}, L"ReFS", L"2251799813160960 bytes free of 2251799813160960 bytes (ReFS)"},
        // Past the largest signed size the text shows that size, never a negative one.
        {{0xFFFFFFFF, 1, 0xFFFFFFFF, 3}, L"X", L"9223372036854775807 bytes free of 12884901885 bytes (X)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FreeSpaceTextFor(c.space, c.fileSystem, locale), c.text);
}

TEST(VolumeTexts, FreeSpaceTextCutsEachSizeAndTheLine)
{
    struct LongSizes final : LocaleText {
        std::optional<std::wstring> LocalShortDate(std::uint64_t) override { return std::nullopt; }
        std::optional<std::wstring> LocalTime(std::uint64_t) override { return std::nullopt; }
        std::wstring ByteSize(std::int64_t) override { return std::wstring(100, L'9'); }
    } locale;
    const std::wstring size(kByteSizeChars - 1, L'9');
    EXPECT_EQ(FreeSpaceTextFor({8, 512, 1, 1}, L"NTFS", locale), size + L" free of " + size + L" (NTFS)");
    EXPECT_EQ(FreeSpaceTextFor({8, 512, 1, 1}, std::wstring(300, L'F'), locale).size(), kVolumeTextChars - 1);
}

TEST(MountPaths, SplitStopsAtTheEmptyStringAndNeverReadsPastTheBuffer)
{
    using namespace std::string_literals;
    const struct {
        std::wstring buffer;
        Texts paths;
    } cases[] = {
        {L"C:\\\0D:\\Mount\\\0\0"s, {L"C:\\", L"D:\\Mount\\"}}, {L"\0"s, {}}, {L""s, {}},
        {L"C:\\"s, {}},                     // cut, without terminator
        {L"C:\\\0D:"s, {L"C:\\"}},          // the second path was cut
        {L"C:\\\0\0E:\\\0\0"s, {L"C:\\"}},  // nothing after the end of the list counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitMountPaths(c.buffer), c.paths) << c.buffer.size();
}

class AddVolumeEntryTest : public ::testing::Test {
protected:
    AddOutcome Add(const std::wstring& guid)
    {
        const std::wstring name = VolumeNameOf(guid);
        return AddVolumeEntry(list_, system_, locale_, name, system_.NtDeviceName(DosDeviceNameOf(name)));
    }

    FakeVolumeSystem system_;
    FixedLocaleText locale_;
    VolumeList list_;
};

// The buffer starts at 261 units and grows to the length the system asks
// for; a length that would not grow it doubles it instead, up to a limit.
TEST_F(AddVolumeEntryTest, MountPathBufferGrowsAsAskedUpToALimit)
{
    constexpr auto kMax = static_cast<std::uint32_t>(kMaxMountPathsChars);
    const struct {
        const char* what;
        std::size_t pathChars;               // the one mount path, "D:\mmm...\"
        std::vector<std::uint32_t> reported; // lengths claimed with ERROR_MORE_DATA; none: the true one
        std::uint32_t error;                 // the call fails with it
        AddOutcome outcome;
        std::vector<std::size_t> firstSizes;
    } cases[] = {
        {"fits at once", 10, {}, 0, AddOutcome::Added, {261}},
        {"grows to the length asked", 400, {}, 0, AddOutcome::Added, {261, 402}},
        {"follows each report", 400, {300, 500}, 0, AddOutcome::Added, {261, 300, 500}},
        {"a report of 0 doubles", kMax, {0}, 0, AddOutcome::Failed, {261, 522, 1044}},
        {"a report of the same size doubles", kMax, {261}, 0, AddOutcome::Failed, {261, 522}},
        {"a report of exactly the limit", 400, {kMax}, 0, AddOutcome::Added, {261, kMax}},
        {"a report past the limit", 400, {kMax + 1}, 0, AddOutcome::Failed, {261}},
        {"refused", 10, {}, 5, AddOutcome::Skipped, {261}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {};
        list_ = {};
        const std::wstring path = L"D:\\" + std::wstring(c.pathChars - 4, L'm') + L"\\";
        system_.AddVolume(L"1", {path});
        system_.reportedLengths[VolumeNameOf(L"1")] = c.reported;
        if (c.error != 0)
            system_.mountPathErrors[VolumeNameOf(L"1")] = c.error;

        EXPECT_EQ(Add(L"1"), c.outcome);
        EXPECT_EQ(list_.entries.size(), c.outcome == AddOutcome::Added ? 1u : 0u);
        const std::vector<std::size_t>& sizes = system_.mountBufferSizes;
        ASSERT_GE(sizes.size(), c.firstSizes.size());
        EXPECT_EQ(std::vector<std::size_t>(sizes.begin(), sizes.begin() + c.firstSizes.size()), c.firstSizes);
        EXPECT_LE(sizes.back(), kMaxMountPathsChars);
        EXPECT_LE(sizes.size(), 20u);
    }
}

// Icon, free space and information are asked in that order; what the system
// cannot answer stays 0 or empty, with a full bar.
TEST_F(AddVolumeEntryTest, AVolumeIsDescribedFromItsAcceptedMountPath)
{
    using Numbers = std::vector<std::uint32_t>;  // icon, sectors, bytes, free, total, used, percent, serial, length, flags
    const struct {
        const char* what;
        std::optional<DiskSpace> space;  // nothing: no query is answered
        Numbers numbers;
        Texts texts;  // label, file system, free space
    } cases[] = {
        {"answered", DiskSpace{8, 512, 250, 1000}, {7, 8, 512, 250, 1000, 750, 75, 0x1234ABCD, 255, 0xFF},
         {L"Label 7", L"NTFS", L"1024000 bytes free of 4096000 bytes (NTFS)"}},
        {"more free than total: used wraps, the percent is cut to 32 bits", DiskSpace{8, 512, 11, 10},
         {7, 8, 512, 11, 10, 0xFFFFFFFF, static_cast<std::uint32_t>(0xFFFFFFFFull * 100 / 10), 0x1234ABCD, 255, 0xFF},
         {L"Label 7", L"NTFS", L"45056 bytes free of 40960 bytes (NTFS)"}},
        {"unanswered", std::nullopt, {0, 0, 0, 0, 0, 0, 100, 0, 0, 0}, {L"", L"", L"0 bytes free of 0 bytes ()"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {};
        list_ = {};
        system_.AddVolume(L"7", {L"C:\\"}, kDriveFixed, c.space.value_or(DiskSpace{}));
        if (!c.space) {
            system_.icons.clear();
            system_.spaces.clear();
            system_.infos.clear();
        }

        ASSERT_EQ(Add(L"7"), AddOutcome::Added);
        const VolumeEntry& e = list_.entries.at(0);
        EXPECT_EQ(system_.calls, (Texts{L"drive C:\\", L"icon C:\\", L"space C:\\", L"info C:\\"}));
        EXPECT_EQ((Numbers{static_cast<std::uint32_t>(e.iconIndex), e.sectorsPerCluster, e.bytesPerSector, e.freeClusters,
                           e.totalClusters, e.usedClusters, e.percentUsed, e.serialNumber, e.maxComponentLength,
                           e.fileSystemFlags}),
                  c.numbers);
        EXPECT_EQ((Texts{e.volumeLabel, e.fileSystemName, e.freeSpaceText}), c.texts);
        EXPECT_EQ((Texts{e.devicePath, e.ntDeviceName, e.typeName, e.displayName}),
                  (Texts{L"\\\\.\\C:", L"\\Device\\HarddiskVolume7", L"Local Disk", L"Local Disk (C:\\)"}));
        EXPECT_EQ(e.driveType, kDriveFixed);
        EXPECT_FALSE(e.selected || e.hot);
        EXPECT_EQ(e.itemRect, ListRect{});
    }
}

TEST_F(AddVolumeEntryTest, MediaIsCheckedThroughTheNtDeviceForEachRemovablePath)
{
    system_.AddVolume(L"5", {L"E:\\", L"C:\\cards\\"}, kDriveRemovable);
    EXPECT_EQ(Add(L"5"), AddOutcome::Skipped);
    EXPECT_EQ(system_.calls, (Texts{L"drive E:\\", L"media \\\\.\\HarddiskVolume5", L"drive C:\\cards\\",
                                    L"media \\\\.\\HarddiskVolume5"}));
}

TEST_F(AddVolumeEntryTest, LongTextsAreCutToTheirBuffers)
{
    const std::wstring path = L"D:\\" + std::wstring(400, L'p') + L"\\";
    system_.AddVolume(L"1", {path});
    system_.infos[path].label = std::wstring(300, L'L');
    system_.infos[path].fileSystemName = std::wstring(300, L'F');
    system_.ntDevices[L"Volume{1}"] = L"\\Device\\" + std::wstring(300, L'N');

    EXPECT_EQ(Add(L"1"), AddOutcome::Added);
    const VolumeEntry& e = list_.entries.at(0);
    for (const std::wstring* text : {&e.volumeLabel, &e.fileSystemName, &e.ntDeviceName, &e.displayName, &e.freeSpaceText})
        EXPECT_EQ(text->size(), kVolumeTextChars - 1);
    EXPECT_EQ(e.devicePath, L"\\\\.\\D:");
}

TEST(CompareVolumeEntries, DevicePathsCompareUnitByUnitWithoutCaseOrLocale)
{
    const struct {
        std::wstring a, b;
        int order;
    } cases[] = {
        {L"C:", L"D:", -1}, {L"D:", L"C:", 1}, {L"C:", L"C:", 0}, {L"x", L"y", -1},
        {L"C", L"C:", -1}, {L"C:", L"C", 1},  // a prefix sorts first
        {L"c:", L"D:", 1},                     // no case folding: 'c' is 0x63
        {L"\u00C4:", L"Z:", 1},                // unsigned: 0xC4 after 'Z'
    };
    for (const auto& c : cases) {
        VolumeEntry a, b;
        a.devicePath = c.a;
        b.devicePath = c.b;
        EXPECT_EQ(CompareVolumeEntries(a, b), c.order) << c.a.size() << " " << c.b.size();
    }
}

// ----- the whole list -------------------------------------------------------

class RefreshVolumesTest : public ::testing::Test {
protected:
    bool Refresh(bool keepSelection) { return RefreshVolumes(list_, system_, locale_, keepSelection, host_); }
    Texts Listed(std::wstring VolumeEntry::*text = &VolumeEntry::devicePath) const
    {
        Texts texts;
        for (const VolumeEntry& entry : list_.entries)
            texts.push_back(entry.*text);
        return texts;
    }
    int SelectedCount() const
    {
        return static_cast<int>(std::count_if(list_.entries.begin(), list_.entries.end(), [](const VolumeEntry& e) { return e.selected; }));
    }

    FakeVolumeSystem system_;
    FixedLocaleText locale_;
    RecordingListHost host_;
    VolumeList list_;
};

// Which volumes are listed, under which mount path: the first one whose drive
// type is listed (removable ones only with media in the drive); network and
// CD/DVD volumes never. Sorted by device path, volumes of one drive letter in
// the order the system gave them.
TEST_F(RefreshVolumesTest, StartUpListsSortsAndSelectsTheFirst)
{
    system_.AddVolume(L"dvd", {L"F:\\", L"C:\\dvd\\"}, kDriveCdRom);
    system_.driveTypes[L"C:\\dvd\\"] = kDriveFixed;
    system_.AddVolume(L"d2", {L"D:\\Two\\"});
    system_.AddVolume(L"net", {L"N:\\"}, kDriveRemote);
    system_.media[L"\\\\.\\HarddiskVolumenet"] = true;
    system_.AddVolume(L"d", {L"D:\\"});
    system_.AddVolume(L"ram", {L"R:\\"}, kDriveRamDisk);
    system_.AddVolume(L"card", {L"E:\\"}, kDriveRemovable);
    system_.media[L"\\\\.\\HarddiskVolumecard"] = true;
    system_.AddVolume(L"empty reader", {L"B:\\"}, kDriveRemovable);
    system_.AddVolume(L"u", {L"U:\\"}, 9);
    system_.AddVolume(L"removable, unnamed", {L"K:\\"}, kDriveRemovable);  // skipped unchecked
    system_.AddVolume(L"fixed, unnamed", {L"L:\\"});
    system_.ntDevices.erase(L"Volume{removable, unnamed}");
    system_.ntDevices.erase(L"Volume{fixed, unnamed}");
    system_.media[L"\\\\.\\"] = true;
    system_.AddVolume(L"g", {L"G:\\", L"C:\\g\\"});
    system_.AddVolume(L"h", {L"H:\\", L"V:\\"});
    system_.driveTypes[L"V:\\"] = kDriveCdRom;
    system_.AddVolume(L"w", {L"W:\\", L"C:\\w\\"}, kDriveRemovable);
    system_.driveTypes[L"C:\\w\\"] = kDriveFixed;
    system_.AddVolume(L"recovery", {});
    system_.AddVolume(L"d1", {L"D:\\One\\"});
    system_.AddVolume(L"c", {L"C:\\"});

    EXPECT_TRUE(Refresh(false));
    EXPECT_EQ(Listed(&VolumeEntry::displayName),
              (Texts{L"Local Disk (C:\\w\\)", L"Local Disk (C:\\)", L"Local Disk (D:\\Two\\)", L"Local Disk (D:\\)",
                     L"Local Disk (D:\\One\\)", L"Removable Disk (E:\\)", L"Local Disk (G:\\)", L"Local Disk (H:\\)",
                     L"Local Disk (L:\\)", L"RAM Disk (R:\\)", L"Unknown (U:\\)"}));
    EXPECT_EQ(list_.entries[1].ntDeviceName, L"\\Device\\HarddiskVolumec");  // asked for "Volume{c}"
    EXPECT_EQ(list_.entries[8].ntDeviceName, L"");
    EXPECT_EQ(list_.selectedIndex, 0);
    EXPECT_EQ(SelectedCount(), 1);
    EXPECT_TRUE(list_.entries[0].selected);
    EXPECT_EQ(host_.opened, Texts{L"\\\\.\\C:"});
    EXPECT_EQ(system_.searchesOpen, 0);
}

// A walk that ends early: a name that is no volume name ends it quietly with
// what was gathered; a search that cannot start or breaks fails the refresh,
// keeps the old index, marks and opens nothing. Either way the search is closed.
TEST_F(RefreshVolumesTest, BrokenWalks)
{
    const struct {
        const char* what;
        void (*machine)(FakeVolumeSystem&);
        bool succeeds;
        Texts listed;
        int selectedAfter;
    } cases[] = {
        {"a malformed name", [](FakeVolumeSystem& s) { s.AddVolume(L"d", {L"D:\\"}); s.names.push_back(L"C:\\"); s.AddVolume(L"c", {L"C:\\"}); },
         true, {L"\\\\.\\D:"}, 0},
        {"an empty first name", [](FakeVolumeSystem& s) { s.names = {L""}; }, true, {}, -1},
        {"the bare prefix first", [](FakeVolumeSystem& s) { s.names = {L"\\\\?\\"}; }, true, {}, -1},
        {"no trailing backslash", [](FakeVolumeSystem& s) { s.names = {L"\\\\?\\Volume{x}"}; }, true, {}, -1},
        {"no volumes at all", [](FakeVolumeSystem&) {}, false, {}, 1},
        {"access denied", [](FakeVolumeSystem& s) { s.AddVolume(L"c", {L"C:\\"}); s.startError = 5; }, false, {}, 1},
        {"breaks at the second step: unsorted",
         [](FakeVolumeSystem& s) { s.AddVolume(L"e", {L"E:\\"}); s.AddVolume(L"d", {L"D:\\"}); s.AddVolume(L"c", {L"C:\\"}); s.breakAtNext = 1; },
         false, {L"\\\\.\\E:", L"\\\\.\\D:"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {};
        host_ = {};
        c.machine(system_);
        list_.entries.resize(3);
        list_.selectedIndex = 1;

        EXPECT_EQ(Refresh(true), c.succeeds);
        EXPECT_EQ(Listed(), c.listed);
        EXPECT_EQ(list_.selectedIndex, c.selectedAfter);
        EXPECT_EQ(SelectedCount(), c.succeeds && !c.listed.empty() ? 1 : 0);
        EXPECT_EQ(host_.opened, c.succeeds ? c.listed : Texts{});
        EXPECT_EQ(system_.searchesOpen, 0);
    }
}

// The selection follows the position: the entry at the old index is selected,
// pulled back to the last entry when the list got shorter.
TEST_F(RefreshVolumesTest, SelectionAfterRefreshFollowsThePosition)
{
    const struct {
        const char* what;
        std::size_t before;
        int selectedBefore;
        bool keep;
        Texts after;  // drive letters
        int selectedAfter;
    } cases[] = {
        {"start-up", 0, -1, false, {L"C", L"D"}, 0},
        {"start-up ignores an old index", 2, 1, false, {L"C", L"D"}, 0},
        {"same volumes", 3, 1, true, {L"C", L"D", L"E"}, 1},
        {"selected last volume removed", 3, 2, true, {L"C", L"D"}, 1},
        {"nothing selected stays so", 1, -1, true, {L"C", L"D"}, -1},
        {"all but one gone", 2, 1, true, {L"C"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {};
        host_ = {};
        for (const std::wstring& letter : c.after)
            system_.AddVolume(letter, {letter + L":\\"});
        list_.entries.assign(c.before, {});
        list_.selectedIndex = c.selectedBefore;

        EXPECT_TRUE(Refresh(c.keep));
        EXPECT_EQ(list_.selectedIndex, c.selectedAfter);
        EXPECT_EQ(SelectedCount(), c.selectedAfter == -1 ? 0 : 1);
        EXPECT_TRUE(c.selectedAfter == -1 || list_.entries.at(static_cast<std::size_t>(c.selectedAfter)).selected);
        EXPECT_EQ(host_.opened, c.selectedAfter == -1 ? Texts{} : Texts{L"\\\\.\\" + c.after[static_cast<std::size_t>(c.selectedAfter)] + L":"});
    }
}

// The poller's free-space step: the bar changes only with a rebuild, and an
// entry whose space cannot be read keeps its last numbers and text.
TEST_F(RefreshVolumesTest, FreeSpaceIsReReadThroughTheDevicePath)
{
    system_.AddVolume(L"c", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});
    ASSERT_TRUE(Refresh(false));
    VolumeEntry& e = list_.entries[0];
    system_.calls.clear();
    system_.spaces[L"\\\\.\\C:"] = {4, 1024, 100, 2000};

    RefreshFreeSpace(e, system_, locale_);
    EXPECT_EQ(system_.calls, Texts{L"space \\\\.\\C:"});
    EXPECT_EQ((std::vector<std::uint32_t>{e.sectorsPerCluster, e.bytesPerSector, e.freeClusters, e.totalClusters, e.usedClusters, e.percentUsed}),
              (std::vector<std::uint32_t>{4, 1024, 100, 2000, 750, 75}));
    EXPECT_EQ(e.freeSpaceText, L"409600 bytes free of 8192000 bytes (NTFS)");

    system_.spaces.clear();
    RefreshFreeSpace(e, system_, locale_);
    EXPECT_EQ(e.freeClusters, 100u);
    EXPECT_EQ(e.freeSpaceText, L"409600 bytes free of 8192000 bytes (NTFS)");
}

} // namespace
} // namespace trackkit
