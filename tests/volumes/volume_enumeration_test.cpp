#include "volumes/volume_enumeration.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"

namespace trackkit {
namespace {

using testing::FakeVolumeSystem;
using testing::FixedLocaleText;
using testing::VolumeNameOf;

TEST(DriveTypeRules, EachTypeIsListedCheckedOrSkipped)
{
    const struct {
        std::uint32_t type;
        DriveDecision decision;
        std::wstring_view name;
    } cases[] = {
        {kDriveUnknown, DriveDecision::List, L"Unknown"},
        {kDriveNoRootDir, DriveDecision::List, L"Unknown"},
        {kDriveRemovable, DriveDecision::ListIfMediaPresent, L"Removable Disk"},
        {kDriveFixed, DriveDecision::List, L"Local Disk"},
        {kDriveRemote, DriveDecision::SkipVolume, L""},
        {kDriveCdRom, DriveDecision::SkipVolume, L""},
        {kDriveRamDisk, DriveDecision::List, L"RAM Disk"},
        {7, DriveDecision::List, L"Unknown"},
        {0xFFFFFFFF, DriveDecision::List, L"Unknown"},
    };
    for (const auto& c : cases) {
        const DriveTypeRule rule = RuleForDriveType(c.type);
        EXPECT_EQ(rule.decision, c.decision) << c.type;
        EXPECT_EQ(rule.typeName, c.name) << c.type;
    }
}

TEST(VolumeNames, OnlyPrefixedNamesWithATrailingBackslashAreVolumes)
{
    const struct {
        std::wstring_view name;
        bool isVolume;
        std::wstring_view dosName;
    } cases[] = {
        {L"\\\\?\\Volume{1234}\\", true, L"Volume{1234}"},
        {L"\\\\?\\X\\", true, L"X"},
        {L"\\\\?\\\\", true, L""},              // prefix and trailing backslash, nothing between
        {L"\\\\?\\", false, L""},               // the bare prefix names nothing
        {L"", false, L""},
        {L"\\\\?\\Volume{1234}", false, L""},   // no trailing backslash
        {L"\\\\.\\Volume{1234}\\", false, L""}, // the device namespace is not a volume name
        {L"C:\\", false, L""},
        {L"\\\\?", false, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsVolumeName(c.name), c.isVolume) << std::wstring(c.name).size();
        EXPECT_EQ(DosDeviceNameOf(c.name), c.dosName);
    }
}

TEST(VolumeTexts, MediaCheckPathDropsTheDevicePrefix)
{
    const struct {
        std::wstring_view ntName;
        std::optional<std::wstring> path;
    } cases[] = {
        {L"\\Device\\HarddiskVolume5", L"\\\\.\\HarddiskVolume5"},
        {L"\\Device\\X", L"\\\\.\\X"},
        {L"\\Device\\", std::nullopt},  // exactly the prefix: no device left
        {L"\\Dev", std::nullopt},       // shorter than the prefix
        {L"", std::nullopt},            // QueryDosDeviceW failed
    };
    for (const auto& c : cases)
        EXPECT_EQ(MediaCheckPath(c.ntName), c.path) << std::wstring(c.ntName);
}

TEST(VolumeTexts, DevicePathTakesTheFirstTwoCharactersOfTheMountPath)
{
    const struct {
        std::wstring_view mountPath;
        std::wstring_view devicePath;
    } cases[] = {
        {L"C:\\", L"\\\\.\\C:"},
        {L"D:\\Mounts\\Data\\", L"\\\\.\\D:"},
        {L"X", L"\\\\.\\X"},
        {L"", L"\\\\.\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DevicePathFor(c.mountPath), c.devicePath);
}

TEST(VolumeTexts, DisplayNameIsTypeAndMountPathCutTo259Units)
{
    EXPECT_EQ(DisplayNameFor(L"Local Disk", L"C:\\"), L"Local Disk (C:\\)");
    EXPECT_EQ(DisplayNameFor(L"Removable Disk", L"D:\\Cards\\"), L"Removable Disk (D:\\Cards\\)");

    const std::wstring longPath = L"D:\\" + std::wstring(300, L'x') + L"\\";
    const std::wstring text = DisplayNameFor(L"Local Disk", longPath);
    EXPECT_EQ(text.size(), kVolumeTextChars - 1);
    EXPECT_EQ(text.substr(0, 15), L"Local Disk (D:\\");
}

TEST(VolumeTexts, PercentUsedTruncatesAndIsFullWithoutATotal)
{
    const struct {
        std::uint32_t used;
        std::uint32_t total;
        std::uint32_t percent;
    } cases[] = {
        {0, 0, 100},  // size unknown: a full bar
        {0, 1000, 0},
        {500, 1000, 50},
        {1, 3, 33},
        {999, 1000, 99},
        {1000, 1000, 100},
        {0xFFFFFFFF, 0xFFFFFFFF, 100},  // the product needs 64 bits
        {0xFFFFFFFE, 0xFFFFFFFF, 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentUsed(c.used, c.total), c.percent) << c.used << "/" << c.total;
}

TEST(VolumeTexts, FreeSpaceTextUsesTheClusterSizeAndFileSystem)
{
    FixedLocaleText locale;  // sizes read "<bytes> bytes"
    const struct {
        DiskSpace space;
        std::wstring_view fileSystem;
        std::wstring_view text;
    } cases[] = {
        {{8, 512, 10, 100}, L"NTFS", L"40960 bytes free of 409600 bytes (NTFS)"},
        {{0, 0, 0, 0}, L"", L"0 bytes free of 0 bytes ()"},  // every query failed
        // The cluster size is a 32-bit product: 2^16 * 2^16 wraps to 0.
        {{0x10000, 0x10000, 5, 5}, L"FAT", L"0 bytes free of 0 bytes (FAT)"},
        // Free clusters times cluster size needs 64 bits.
        {{128, 4096, 0xFFFFFFFF, 0xFFFFFFFF}, L"ReFS",
         L"2251799813160960 bytes free of 2251799813160960 bytes (ReFS)"},
        // Past the largest signed size the text shows that largest size
        // instead of a negative one.
        {{0xFFFFFFFF, 1, 0xFFFFFFFF, 3}, L"X", L"9223372036854775807 bytes free of 12884901885 bytes (X)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FreeSpaceTextFor(c.space, c.fileSystem, locale), c.text);
}

// Sizes as long as the platform cares to make them are cut to 63 units, and
// the whole line to 259.
struct LongSizes final : LocaleText {
    std::optional<std::wstring> LocalShortDate(std::uint64_t) override { return std::nullopt; }
    std::optional<std::wstring> LocalTime(std::uint64_t) override { return std::nullopt; }
    std::wstring ByteSize(std::int64_t) override { return std::wstring(100, L'9'); }
};

TEST(VolumeTexts, FreeSpaceTextCutsEachSizeAndTheLine)
{
    LongSizes locale;
    const std::wstring text = FreeSpaceTextFor({8, 512, 1, 1}, L"NTFS", locale);
    const std::wstring size(kByteSizeChars - 1, L'9');
    EXPECT_EQ(text, size + L" free of " + size + L" (NTFS)");

    const std::wstring cut = FreeSpaceTextFor({8, 512, 1, 1}, std::wstring(300, L'F'), locale);
    EXPECT_EQ(cut.size(), kVolumeTextChars - 1);
}

TEST(MountPaths, SplitStopsAtTheEmptyStringAndNeverReadsPastTheBuffer)
{
    using namespace std::string_literals;
    const struct {
        std::wstring buffer;
        std::vector<std::wstring> paths;
    } cases[] = {
        {L"C:\\\0\0"s, {L"C:\\"}},
        {L"C:\\\0D:\\Mount\\\0\0"s, {L"C:\\", L"D:\\Mount\\"}},
        {L"\0"s, {}},
        {L""s, {}},
        {L"C:\\"s, {}},                 // cut, without terminator
        {L"C:\\\0D:"s, {L"C:\\"}},      // the second path was cut
        {L"C:\\\0\0E:\\\0\0"s, {L"C:\\"}},  // nothing after the end of the list counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitMountPaths(c.buffer), c.paths) << c.buffer.size();
}

TEST(MountPaths, BufferGrowsToTheReportedLengthUntilThePathsFit)
{
    FakeVolumeSystem system;
    std::vector<std::wstring> paths;
    for (wchar_t letter = L'D'; letter <= L'G'; ++letter)
        paths.push_back(std::wstring(1, letter) + L":\\" + std::wstring(100, L'm') + L"\\");
    system.AddVolume(L"1", paths);
    const std::wstring name = VolumeNameOf(L"1");

    const MountPaths read = ReadMountPaths(system, name);
    EXPECT_EQ(read.status, MountPathsStatus::Read);
    EXPECT_EQ(read.paths, paths);
    EXPECT_EQ(system.mountBufferSizes, (std::vector<std::size_t>{261, 4 * 105 + 1}));
}

TEST(MountPaths, GrowthFollowsEachReportUntilTheCallSucceeds)
{
    FakeVolumeSystem system;
    system.AddVolume(L"1", {L"D:\\" + std::wstring(400, L'm') + L"\\"});  // 406 units with terminators
    const std::wstring name = VolumeNameOf(L"1");
    system.reportedLengths[name] = {300, 500};

    const MountPaths read = ReadMountPaths(system, name);
    EXPECT_EQ(read.status, MountPathsStatus::Read);
    EXPECT_EQ(read.paths.size(), 1u);
    EXPECT_EQ(system.mountBufferSizes, (std::vector<std::size_t>{261, 300, 500}));
}

TEST(MountPaths, ALengthThatWouldNotGrowTheBufferDoublesItAndEndsAtTheLimit)
{
    const struct {
        std::uint32_t reported;
    } cases[] = {{0}, {261}, {100}};
    for (const auto& c : cases) {
        FakeVolumeSystem system;
        system.AddVolume(L"1", {L"D:\\" + std::wstring(kMaxMountPathsChars, L'm') + L"\\"});
        const std::wstring name = VolumeNameOf(L"1");
        system.reportedLengths[name] = {c.reported};

        const MountPaths read = ReadMountPaths(system, name);
        EXPECT_EQ(read.status, MountPathsStatus::TooLarge) << c.reported;
        ASSERT_GE(system.mountBufferSizes.size(), 2u);
        EXPECT_EQ(system.mountBufferSizes[1], 522u) << c.reported;
        EXPECT_LE(system.mountBufferSizes.back(), kMaxMountPathsChars);
        EXPECT_LE(system.mountBufferSizes.size(), 20u);
    }
}

TEST(MountPaths, OtherErrorsFailTheRead)
{
    FakeVolumeSystem system;
    system.AddVolume(L"1", {L"C:\\"});
    const std::wstring name = VolumeNameOf(L"1");
    system.mountPathErrors[name] = 5;  // ERROR_ACCESS_DENIED

    const MountPaths read = ReadMountPaths(system, name);
    EXPECT_EQ(read.status, MountPathsStatus::Failed);
    EXPECT_TRUE(read.paths.empty());
    EXPECT_EQ(system.mountBufferSizes.size(), 1u);
}

// ----- one volume -----------------------------------------------------------

class AddVolumeEntryTest : public ::testing::Test {
protected:
    AddOutcome Add(const std::wstring& guid)
    {
        const std::wstring name = VolumeNameOf(guid);
        return AddVolumeEntry(list_, system_, locale_, name, system_.NtDeviceName(DosDeviceNameOf(name)));
    }
    const VolumeEntry& Only() const
    {
        EXPECT_EQ(list_.entries.size(), 1u);
        return list_.entries.front();
    }

    FakeVolumeSystem system_;
    FixedLocaleText locale_;
    VolumeList list_;
};

TEST_F(AddVolumeEntryTest, FixedVolumeIsDescribedFromItsMountPath)
{
    system_.AddVolume(L"7", {L"C:\\"}, kDriveFixed, {8, 512, 250, 1000});

    EXPECT_EQ(Add(L"7"), AddOutcome::Added);
    const VolumeEntry& e = Only();
    EXPECT_FALSE(e.selected);
    EXPECT_FALSE(e.hot);
    EXPECT_EQ(e.devicePath, L"\\\\.\\C:");
    EXPECT_EQ(e.ntDeviceName, L"\\Device\\HarddiskVolume7");
    EXPECT_EQ(e.typeName, L"Local Disk");
    EXPECT_EQ(e.displayName, L"Local Disk (C:\\)");
    EXPECT_EQ(e.freeSpaceText, L"1024000 bytes free of 4096000 bytes (NTFS)");
    EXPECT_EQ(e.driveType, kDriveFixed);
    EXPECT_EQ(e.sectorsPerCluster, 8u);
    EXPECT_EQ(e.bytesPerSector, 512u);
    EXPECT_EQ(e.freeClusters, 250u);
    EXPECT_EQ(e.totalClusters, 1000u);
    EXPECT_EQ(e.usedClusters, 750u);
    EXPECT_EQ(e.percentUsed, 75u);
    EXPECT_EQ(e.iconIndex, 7);
    EXPECT_EQ(e.volumeLabel, L"Label 7");
    EXPECT_EQ(e.serialNumber, 0x1234ABCDu);
    EXPECT_EQ(e.maxComponentLength, 255u);
    EXPECT_EQ(e.fileSystemFlags, 0x00FFu);
    EXPECT_EQ(e.fileSystemName, L"NTFS");
    EXPECT_EQ(e.itemRect, ListRect{});
}

TEST_F(AddVolumeEntryTest, AcceptedPathIsAskedForIconThenSpaceThenInformation)
{
    system_.AddVolume(L"7", {L"C:\\"});
    Add(L"7");
    EXPECT_EQ(system_.calls,
              (std::vector<std::wstring>{L"drive C:\\", L"icon C:\\", L"space C:\\", L"info C:\\"}));
}

TEST_F(AddVolumeEntryTest, FailedQueriesLeaveZerosAFullBarAndEmptyNames)
{
    system_.AddVolume(L"7", {L"C:\\"});
    system_.icons.clear();
    system_.spaces.clear();
    system_.infos.clear();

    EXPECT_EQ(Add(L"7"), AddOutcome::Added);
    const VolumeEntry& e = Only();
    EXPECT_EQ(e.iconIndex, 0);
    EXPECT_EQ(e.totalClusters, 0u);
    EXPECT_EQ(e.percentUsed, 100u);
    EXPECT_EQ(e.fileSystemName, L"");
    EXPECT_EQ(e.volumeLabel, L"");
    EXPECT_EQ(e.freeSpaceText, L"0 bytes free of 0 bytes ()");
    EXPECT_EQ(e.displayName, L"Local Disk (C:\\)");
}

TEST_F(AddVolumeEntryTest, MoreFreeThanTotalWrapsTheUsedCount)
{
    system_.AddVolume(L"7", {L"C:\\"}, kDriveFixed, {8, 512, 11, 10});
    Add(L"7");
    EXPECT_EQ(Only().usedClusters, 0xFFFFFFFFu);
    // (2^32 - 1) * 100 / 10 does not fit the field and is cut to 32 bits;
    // the painter stops such a bar at its end.
    EXPECT_EQ(Only().percentUsed, static_cast<std::uint32_t>(0xFFFFFFFFull * 100 / 10));
}

// Which volumes are listed, and under which mount path.
TEST_F(AddVolumeEntryTest, DriveTypesDecideWhetherAndWhereAVolumeIsListed)
{
    const struct {
        const char* what;
        std::vector<std::pair<std::wstring, std::uint32_t>> mounts;  // path, drive type
        bool media;
        AddOutcome outcome;
        std::wstring_view display;
    } cases[] = {
        {"fixed", {{L"C:\\", kDriveFixed}}, false, AddOutcome::Added, L"Local Disk (C:\\)"},
        {"RAM disk", {{L"R:\\", kDriveRamDisk}}, false, AddOutcome::Added, L"RAM Disk (R:\\)"},
        {"unknown type", {{L"U:\\", kDriveUnknown}}, false, AddOutcome::Added, L"Unknown (U:\\)"},
        {"no root dir", {{L"U:\\", kDriveNoRootDir}}, false, AddOutcome::Added, L"Unknown (U:\\)"},
        {"type 9", {{L"U:\\", 9}}, false, AddOutcome::Added, L"Unknown (U:\\)"},
        {"card reader with a card", {{L"E:\\", kDriveRemovable}}, true, AddOutcome::Added,
         L"Removable Disk (E:\\)"},
        {"card reader without a card", {{L"E:\\", kDriveRemovable}}, false, AddOutcome::Skipped, L""},
        {"network drive", {{L"N:\\", kDriveRemote}}, true, AddOutcome::Skipped, L""},
        {"DVD drive", {{L"F:\\", kDriveCdRom}}, true, AddOutcome::Skipped, L""},
        {"DVD drive with a folder mount too", {{L"F:\\", kDriveCdRom}, {L"C:\\dvd\\", kDriveFixed}}, true,
         AddOutcome::Skipped, L""},
        {"folder mount only", {{L"D:\\Data\\", kDriveFixed}}, false, AddOutcome::Added, L"Local Disk (D:\\Data\\)"},
        {"several mounts: the first counts", {{L"G:\\", kDriveFixed}, {L"C:\\g\\", kDriveFixed}}, false,
         AddOutcome::Added, L"Local Disk (G:\\)"},
        {"fixed before DVD", {{L"G:\\", kDriveFixed}, {L"F:\\", kDriveCdRom}}, false, AddOutcome::Added,
         L"Local Disk (G:\\)"},
        {"empty removable path, then a fixed one", {{L"E:\\", kDriveRemovable}, {L"C:\\e\\", kDriveFixed}}, false,
         AddOutcome::Added, L"Local Disk (C:\\e\\)"},
        {"removable paths without media", {{L"E:\\", kDriveRemovable}, {L"C:\\e\\", kDriveRemovable}}, false,
         AddOutcome::Skipped, L""},
        {"no mount path at all", {}, false, AddOutcome::Skipped, L""},
    };
    for (const auto& c : cases) {
        FakeVolumeSystem system;
        std::vector<std::wstring> paths;
        for (const auto& mount : c.mounts)
            paths.push_back(mount.first);
        system.AddVolume(L"9", paths);
        for (const auto& mount : c.mounts)
            system.driveTypes[mount.first] = mount.second;
        if (c.media)
            system.mediaIn.insert(L"\\\\.\\HarddiskVolume9");
        VolumeList list;
        const std::wstring name = VolumeNameOf(L"9");

        const AddOutcome outcome =
            AddVolumeEntry(list, system, locale_, name, system.NtDeviceName(DosDeviceNameOf(name)));
        EXPECT_EQ(outcome, c.outcome) << c.what;
        if (c.outcome == AddOutcome::Added) {
            ASSERT_EQ(list.entries.size(), 1u) << c.what;
            EXPECT_EQ(list.entries[0].displayName, c.display) << c.what;
        } else {
            EXPECT_TRUE(list.entries.empty()) << c.what;
        }
    }
}

TEST_F(AddVolumeEntryTest, MediaCheckOpensTheNtDeviceForEachRemovablePath)
{
    system_.AddVolume(L"5", {L"E:\\", L"C:\\cards\\"}, kDriveRemovable);
    EXPECT_EQ(Add(L"5"), AddOutcome::Skipped);
    EXPECT_EQ(system_.calls, (std::vector<std::wstring>{L"drive E:\\", L"media \\\\.\\HarddiskVolume5",
                                                        L"drive C:\\cards\\", L"media \\\\.\\HarddiskVolume5"}));
    EXPECT_TRUE(list_.entries.empty());
}

TEST_F(AddVolumeEntryTest, WithoutAnNtDeviceNameARemovableVolumeIsSkippedUnchecked)
{
    system_.AddVolume(L"5", {L"E:\\"}, kDriveRemovable);
    system_.ntDevices.clear();
    system_.mediaIn.insert(L"\\\\.\\");

    EXPECT_EQ(Add(L"5"), AddOutcome::Skipped);
    EXPECT_EQ(system_.calls, (std::vector<std::wstring>{L"drive E:\\"}));
}

TEST_F(AddVolumeEntryTest, WithoutAnNtDeviceNameAFixedVolumeIsStillListed)
{
    system_.AddVolume(L"5", {L"C:\\"});
    system_.ntDevices.clear();

    EXPECT_EQ(Add(L"5"), AddOutcome::Added);
    EXPECT_EQ(Only().ntDeviceName, L"");
}

TEST_F(AddVolumeEntryTest, RefusedMountPathsSkipAndUngrowableBuffersFail)
{
    system_.AddVolume(L"1", {L"C:\\"});
    system_.mountPathErrors[VolumeNameOf(L"1")] = 1;  // ERROR_INVALID_FUNCTION
    EXPECT_EQ(Add(L"1"), AddOutcome::Skipped);

    system_.AddVolume(L"2", {L"D:\\" + std::wstring(300, L'x') + L"\\"});
    system_.reportedLengths[VolumeNameOf(L"2")] = {static_cast<std::uint32_t>(kMaxMountPathsChars + 1)};
    EXPECT_EQ(Add(L"2"), AddOutcome::Failed);

    EXPECT_TRUE(list_.entries.empty());
}

TEST_F(AddVolumeEntryTest, LongTextsAreCutToTheirBuffers)
{
    const std::wstring path = L"D:\\" + std::wstring(400, L'p') + L"\\";
    system_.AddVolume(L"1", {path});
    system_.infos[path].label = std::wstring(300, L'L');
    system_.infos[path].fileSystemName = std::wstring(300, L'F');
    system_.ntDevices[L"Volume{1}"] = L"\\Device\\" + std::wstring(300, L'N');

    EXPECT_EQ(Add(L"1"), AddOutcome::Added);
    const VolumeEntry& e = Only();
    for (const std::wstring* text : {&e.volumeLabel, &e.fileSystemName, &e.ntDeviceName, &e.displayName,
                                     &e.freeSpaceText})
        EXPECT_EQ(text->size(), kVolumeTextChars - 1);
    EXPECT_EQ(e.devicePath, L"\\\\.\\D:");
}

TEST(CompareVolumeEntries, DevicePathsCompareUnitByUnitWithoutCaseOrLocale)
{
    const struct {
        std::wstring_view a;
        std::wstring_view b;
        int order;
    } cases[] = {
        {L"\\\\.\\C:", L"\\\\.\\D:", -1},
        {L"\\\\.\\D:", L"\\\\.\\C:", 1},
        {L"\\\\.\\C:", L"\\\\.\\C:", 0},
        {L"\\\\.\\C", L"\\\\.\\C:", -1},  // a prefix sorts first
        {L"\\\\.\\C:", L"\\\\.\\C", 1},
        {L"\\\\.\\c:", L"\\\\.\\D:", 1},  // no case folding: 'c' is 0x63
        {L"\\\\.\\\u00C4:", L"\\\\.\\Z:", 1},  // unsigned: 0xC4 after 'Z'
        {L"", L"", 0},
        {L"", L"\\\\.\\C:", -1},
    };
    for (const auto& c : cases) {
        VolumeEntry a;
        VolumeEntry b;
        a.devicePath = c.a;
        b.devicePath = c.b;
        EXPECT_EQ(CompareVolumeEntries(a, b), c.order) << std::wstring(c.a).size() << " " << std::wstring(c.b).size();
    }
}

} // namespace
} // namespace trackkit
