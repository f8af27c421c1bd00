// The volume list's portable parts: volumes described and listed, geometry, colours, and what mouse and keys select.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <ranges>

#include "support/recording_host.h"
#include "volumes/fake_volume_system.h"
#include "volumes/list_colors.h"
#include "volumes/list_geometry.h"
#include "volumes/list_selection.h"
#include "volumes/volume_enumeration.h"

namespace trackkit {
namespace {

using Texts = std::vector<std::wstring>;
using Numbers = std::vector<std::uint32_t>;

class VolumesTest : public ::testing::Test, public VolumeListHost {
protected:
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened_.emplace_back(devicePath); }
    bool Refresh(bool keepSelection) { return RefreshVolumes(list_, system_, locale_, keepSelection, *this); }
    Texts Listed(std::wstring VolumeEntry::*text = &VolumeEntry::devicePath, bool selectedOnly = false) const
    {
        auto texts = list_.entries | std::views::filter([&](auto& e) { return !selectedOnly || e.selected; }) | std::views::transform(text);
        return {texts.begin(), texts.end()};
    }

    testing::FakeVolumeSystem system_;
    testing::FixedLocaleText locale_;  // sizes read "<bytes> bytes"
    VolumeList list_;
    Texts opened_;
};

TEST_F(VolumesTest, PercentMediaCheckPathFreeSpaceMountPathsAndDevicePathOrder)
{
    EXPECT_EQ((Numbers{PercentUsed(0, 0), PercentUsed(1, 3), PercentUsed(0xFFFFFFFE, 0xFFFFFFFF)}), (Numbers{100, 33, 99}));
    EXPECT_EQ(MediaCheckPath(L"\\Device\\"), std::nullopt);  // no device after the prefix
    EXPECT_EQ(DeviceNameOf(DevicePathFor(L"C:\\")), L"C:");
    EXPECT_EQ(DeviceNameOf(L"C:\\"), std::nullopt) << "not a device path";

    const struct { DiskSpace space; std::wstring_view fileSystem, text; } cases[] = {
        {{0x10000, 0x10000, 5, 5}, L"FAT", L"0 bytes free of 0 bytes (FAT)"},  // the 32-bit cluster size wraps
        {{128, 4096, 0xFFFFFFFF, 0xFFFFFFFF}, L"ReFS", L"2251799813160960 bytes free of 2251799813160960 bytes (ReFS)"},
        {{0xFFFFFFFF, 1, 0xFFFFFFFF, 3}, L"X", L"9223372036854775807 bytes free of 12884901885 bytes (X)"}};  // the largest, never < 0
    for (const auto& c : cases)
        EXPECT_EQ(FreeSpaceTextFor(c.space, c.fileSystem, locale_), c.text);

    struct LongSizes final : LocaleText {
        std::optional<std::wstring> LocalShortDate(std::uint64_t) override { return {}; }  // not asked for
        std::optional<std::wstring> LocalTime(std::uint64_t) override { return {}; }
        std::wstring ByteSize(std::int64_t) override { return std::wstring(100, L'9'); }
    } longSizes;
    const std::wstring cut(kByteSizeChars - 1, L'9');  // each size is cut to its buffer
    EXPECT_EQ(FreeSpaceTextFor({8, 512, 1, 1}, L"NTFS", longSizes), cut + L" free of " + cut + L" (NTFS)");

    // Mount paths end at the empty string and are never read past the buffer. Device paths compare unit by
    // unit, unsigned, without case or locale.
    using namespace std::string_literals;
    const struct { std::wstring buffer; Texts paths; } splits[] = {
        {L"C:\\\0D:\\Mount\\\0\0"s, {L"C:\\", L"D:\\Mount\\"}}, {L"\0"s, {}}, {L""s, {}},
        {L"C:\\"s, {}}, {L"C:\\\0D:"s, {L"C:\\"}},  // a path cut without its terminator is not used
        {L"C:\\\0\0E:\\\0\0"s, {L"C:\\"}}};  // nothing after the end of the list counts
    for (const auto& c : splits)
        EXPECT_EQ(SplitMountPaths(c.buffer), c.paths) << c.buffer.size();
    const struct { std::wstring a, b; int order; } orders[] = {
        {L"C:", L"D:", -1}, {L"D:", L"C:", 1}, {L"C:", L"C:", 0}, {L"C", L"C:", -1}, {L"C:", L"C", 1},  // a prefix sorts first
        {L"c:", L"D:", 1}, {L"\u00C4:", L"Z:", 1}};  // 'c' is 0x63, after 'D'; 0xC4 after 'Z'
    const auto entry = [](const std::wstring& devicePath) { VolumeEntry e; e.devicePath = devicePath; return e; };
    for (const auto& c : orders)
        EXPECT_EQ(CompareVolumeEntries(entry(c.a), entry(c.b)), c.order) << c.a.size() << " " << c.b.size();
}

// From 261 units the buffer grows to the length asked for, or doubles when that would not grow it, up to a limit.
TEST_F(VolumesTest, MountPathBufferGrowsAsAskedUpToALimit)
{
    constexpr auto kMax = static_cast<std::uint32_t>(kMaxMountPathsChars);
    // One mount path "D:\mmm...\" of pathChars units; the lengths claimed with ERROR_MORE_DATA (none: the true one).
    const struct { const char* what; std::size_t pathChars; Numbers reported; std::uint32_t error; AddOutcome outcome;
                   std::vector<std::size_t> firstSizes; } cases[] = {
        {"fits at once", 10, {}, 0, AddOutcome::Added, {261}}, {"grows as asked", 400, {}, 0, AddOutcome::Added, {261, 402}},
        {"follows each report", 400, {300, 500}, 0, AddOutcome::Added, {261, 300, 500}}, {"refused", 10, {}, 5, AddOutcome::Skipped, {261}},
        {"0 doubles", kMax, {0}, 0, AddOutcome::Failed, {261, 522, 1044}},
        {"the same size doubles", kMax, {261}, 0, AddOutcome::Failed, {261, 522}},
        {"exactly the limit", 400, {kMax}, 0, AddOutcome::Added, {261, kMax}}, {"past it", 400, {kMax + 1}, 0, AddOutcome::Failed, {261}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {}, list_ = {}, system_.AddVolume(L"1", {L"D:\\" + std::wstring(c.pathChars - 4, L'm') + L"\\"});
        system_.reportedLengths[testing::VolumeNameOf(L"1")] = c.reported, system_.mountPathErrors[testing::VolumeNameOf(L"1")] = c.error;
        EXPECT_EQ(AddVolumeEntry(list_, system_, locale_, testing::VolumeNameOf(L"1"), L"\\Device\\HarddiskVolume1"), c.outcome);
        EXPECT_EQ(list_.entries.size(), c.outcome == AddOutcome::Added ? 1u : 0u);
        const std::vector<std::size_t>& sizes = system_.mountBufferSizes;
        EXPECT_EQ(std::vector(sizes.begin(), sizes.begin() + std::min(sizes.size(), c.firstSizes.size())), c.firstSizes);
        EXPECT_TRUE(sizes.size() <= 20 && sizes.back() <= kMaxMountPathsChars);
    }
}

// The NT device is asked for by the name's middle, then icon, free space and information in that order;
// what the system cannot answer stays 0 or empty, with a full bar.
TEST_F(VolumesTest, AVolumeIsDescribedFromItsAcceptedMountPathAndItsFreeSpaceReRead)
{
    // numbers: icon, sectors, bytes, free, total, used, percent, serial, length, flags, drive type; texts: label, file system, free space.
    const struct { std::optional<DiskSpace> space; Numbers numbers; Texts texts; } cases[] = {  // no space: nothing is answered
        {std::nullopt, {0, 0, 0, 0, 0, 0, 100, 0, 0, 0, kDriveFixed}, {L"", L"", L"0 bytes free of 0 bytes ()"}},
        {DiskSpace{8, 512, 250, 1000}, {7, 8, 512, 250, 1000, 750, 75, 0x1234ABCD, 255, 0xFF, kDriveFixed},
         {L"Label 7", L"NTFS", L"1024000 bytes free of 4096000 bytes (NTFS)"}},
        {DiskSpace{8, 512, 11, 10}, {7, 8, 512, 11, 10, 0xFFFFFFFF, 0xFFFFFFF6, 0x1234ABCD, 255, 0xFF, kDriveFixed},
         // more free than total: used wraps, the percent is cut to 32 bits
         {L"Label 7", L"NTFS", L"45056 bytes free of 40960 bytes (NTFS)"}}};
    for (const auto& c : cases) {
        system_ = {}, list_ = {}, system_.AddVolume(L"7", {L"C:\\"}, kDriveFixed, c.space.value_or(DiskSpace{}));
        if (!c.space)
            system_.icons.clear(), system_.spaces.clear(), system_.infos.clear();
        ASSERT_TRUE(Refresh(false));
        const VolumeEntry& e = list_.entries.at(0);
        EXPECT_EQ(system_.calls, (Texts{L"nt Volume{7}", L"drive C:\\", L"icon C:\\", L"space C:\\", L"info C:\\"}));
        EXPECT_EQ((Numbers{static_cast<std::uint32_t>(e.iconIndex), e.sectorsPerCluster, e.bytesPerSector, e.freeClusters, e.totalClusters,
                           e.usedClusters, e.percentUsed, e.serialNumber, e.maxComponentLength, e.fileSystemFlags,
                               e.driveType}), c.numbers);
        EXPECT_EQ((Texts{e.volumeLabel, e.fileSystemName, e.freeSpaceText, e.devicePath, e.ntDeviceName, e.displayName}),
                  (Texts{c.texts[0], c.texts[1], c.texts[2], L"\\\\.\\C:", L"\\Device\\HarddiskVolume7", L"Local Disk (C:\\)"}));
    }
    // The poller's step, through the device path: the bar waits for a rebuild; unreadable space changes nothing.
    VolumeEntry& e = list_.entries[0];
    system_.calls.clear(), system_.spaces[L"\\\\.\\C:"] = {4, 1024, 100, 2000};
    for (int round = 0; round < 2; ++round, system_.spaces.clear()) {
        RefreshFreeSpace(e, system_, locale_);
        EXPECT_EQ(std::pair(Numbers{e.sectorsPerCluster, e.bytesPerSector, e.freeClusters, e.totalClusters,
            e.usedClusters, e.percentUsed}, e.freeSpaceText),
                  std::pair(Numbers{4, 1024, 100, 2000, 0xFFFFFFFF, 0xFFFFFFF6},
                      std::wstring(L"409600 bytes free of 8192000 bytes (NTFS)")));
    }
    EXPECT_EQ(system_.calls, (Texts{L"space \\\\.\\C:", L"space \\\\.\\C:"}));
}

// A volume is listed under its first mount path of a listed drive type (removable: with media in the drive, asked
// through the NT device for each path), network and CD/DVD volumes never; sorted by device path, volumes of one
// drive letter in the system's order. Long texts are cut to their buffers.
TEST_F(VolumesTest, WhichVolumesAreListedUnderWhichPathAndInWhatOrder)
{
    const std::wstring longPath = L"Z:\\" + std::wstring(400, L'p') + L"\\";
    const struct { const wchar_t* guid; Texts paths; std::uint32_t driveType = kDriveFixed; } volumes[] = {
        {L"dvd", {L"F:\\", L"C:\\dvd\\"}, kDriveCdRom}, {L"d2", {L"D:\\Two\\"}}, {L"net", {L"N:\\"}, kDriveRemote},
        {L"ram", {L"R:\\"}, kDriveRamDisk},
        {L"card", {L"E:\\"}, kDriveRemovable}, {L"empty reader", {L"B:\\", L"C:\\cards\\"}, kDriveRemovable}, {L"u", {L"U:\\"}, 9},
        // K: skipped unchecked
        {L"removable, unnamed", {L"K:\\"}, kDriveRemovable}, {L"fixed, unnamed", {L"L:\\"}}, {L"h", {L"H:\\", L"V:\\"}},
        {L"w", {L"W:\\", L"C:\\w\\"}, kDriveRemovable}, {L"recovery", {}}, {L"d1", {L"D:\\One\\"}}, {L"c", {L"C:\\"}},
        {L"long", {longPath}}};
    for (const auto& v : volumes)
        system_.AddVolume(v.guid, v.paths, v.driveType);
    system_.driveTypes[L"C:\\dvd\\"] = system_.driveTypes[L"C:\\w\\"] = kDriveFixed, system_.driveTypes[L"V:\\"] = kDriveCdRom;
    system_.ntDevices.erase(L"Volume{removable, unnamed}"), system_.ntDevices.erase(L"Volume{fixed, unnamed}");
    system_.ntDevices[L"Volume{long}"] = L"\\Device\\" + std::wstring(300, L'N');
    system_.infos[longPath] = {std::wstring(300, L'L'), 0, 0, 0, std::wstring(300, L'F')};
    for (const wchar_t* device : {L"\\\\.\\HarddiskVolumenet", L"\\\\.\\HarddiskVolumecard", L"\\\\.\\"})
        system_.media[device] = true;

    ASSERT_TRUE(Refresh(false));
    EXPECT_EQ(Listed(&VolumeEntry::displayName),
              (Texts{L"Local Disk (C:\\w\\)", L"Local Disk (C:\\)", L"Local Disk (D:\\Two\\)",
                     L"Local Disk (D:\\One\\)", L"Removable Disk (E:\\)", L"Local Disk (H:\\)", L"Local Disk (L:\\)",
                     L"RAM Disk (R:\\)", L"Unknown (U:\\)", L"Local Disk (Z:\\" + std::wstring(244, L'p')}));
    EXPECT_EQ(list_.entries[6].ntDeviceName, L"");
    const VolumeEntry& cut = list_.entries.back();
    for (const std::wstring* text : {&cut.volumeLabel, &cut.fileSystemName, &cut.ntDeviceName, &cut.freeSpaceText})
        EXPECT_EQ(text->size(), kVolumeTextChars - 1);
    EXPECT_EQ(std::count(system_.calls.begin(), system_.calls.end(), L"media \\\\.\\HarddiskVolumeempty reader"), 2);
}

// The selection follows the position, pulled back onto a shorter list. A name that is no volume name ends the
// walk quietly; a search that cannot start or breaks fails, keeps the old index, marks and opens nothing.
TEST_F(VolumesTest, RefreshSelectionAndBrokenWalks)
{
    // volumes: drive letters in enumeration order; anything longer or shorter is a name given verbatim.
    const struct { const char* what; Texts volumes; std::size_t before; int selectedBefore; bool keep,
        succeeds; Texts listed; int selectedAfter;
                   std::uint32_t startError = 0; std::optional<std::size_t> breakAt = {}; } cases[] = {
        {"start-up ignores an old index", {L"D", L"C"}, 2, 1, false, true, {L"\\\\.\\C:", L"\\\\.\\D:"}, 0},
        {"same volumes", {L"C", L"D", L"E"}, 3, 1, true, true, {L"\\\\.\\C:", L"\\\\.\\D:", L"\\\\.\\E:"}, 1},
        {"selected last volume removed", {L"C", L"D"}, 3, 2, true, true, {L"\\\\.\\C:", L"\\\\.\\D:"}, 1},
        {"nothing selected stays so", {L"C", L"D"}, 1, -1, true, true, {L"\\\\.\\C:", L"\\\\.\\D:"}, -1},
        {"a malformed name", {L"D", L"C:\\", L"C"}, 3, 1, true, true, {L"\\\\.\\D:"}, 0},
        {"an empty first name", {L""}, 3, 1, true, true, {}, -1},
        {"the bare prefix first", {L"\\\\?\\"}, 3, 1, true, true, {}, -1},
        {"no trailing backslash", {L"\\\\?\\Volume{x}"}, 3, 1, true, true, {}, -1},
        {"no volumes at all", {}, 3, 1, true, false, {}, 1}, {"access denied", {L"C"}, 3, 1, true, false, {}, 1, 5},
        {"breaks at the second step: unsorted", {L"E", L"D", L"C"}, 3, 1, true, false, {L"\\\\.\\E:", L"\\\\.\\D:"}, 1, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        system_ = {}, opened_ = {}, list_ = {std::vector<VolumeEntry>(c.before), c.selectedBefore};
        system_.startError = c.startError, system_.breakAtNext = c.breakAt;
        for (const std::wstring& volume : c.volumes)
            volume.size() == 1 ? system_.AddVolume(volume, {volume + L":\\"}) : system_.names.push_back(volume);

        const bool succeeded = Refresh(c.keep);
        EXPECT_EQ(std::tuple(succeeded, Listed(), list_.selectedIndex, system_.searchesOpen),
            std::tuple(c.succeeds, c.listed, c.selectedAfter, 0));
        const Texts selected = c.succeeds && c.selectedAfter >= 0 ? Texts{c.listed.at(static_cast<std::size_t>(c.selectedAfter))} : Texts{};
        EXPECT_EQ(std::pair(Listed(&VolumeEntry::devicePath, true), opened_), std::pair(selected, selected));
    }
}

// IntersectRect's rule: right and bottom edges lie outside; an empty (or inverted) rectangle meets nothing.
TEST(ListGeometry, RectanglesMeasuresItemLayoutAndScrolling)
{
    const Rect r{10, 20, 30, 40};
    const struct { Rect other; bool meets; } others[] = {
        {{29, 39, 50, 50}, true}, {{0, 0, 11, 21}, true}, {{30, 20, 50, 40}, false}, {{0, 20, 10, 40}, false}, {{10, 40, 30, 50}, false},
        {{10, 0, 30, 20}, false}, {{15, 25, 15, 35}, false}, {{15, 25, 25, 25}, false}, {{15, 25, 14, 35}, false},
        {{15, 25, 25, 24}, false}};
    for (const auto& [other, meets] : others)
        EXPECT_EQ(std::pair(r.Intersects(other), other.Intersects(r)), std::pair(meets, meets)) << other.left << " "
            << other.top << " " << other.right;
    // Margins scale with the DPI, the icon cell is the icon and a half; items are one gap apart. The content
    // is the scrolled client inside the margins, never narrower than the icon cell and a margin.
    const struct { int dpiX, dpiY, icon, marginX, marginY, iconCell, itemHeight, pitch; } cases[] = {
        {96, 96, 32, 4, 4, 48, 58, 66}, {144, 144, 48, 6, 6, 72, 86, 98}, {192, 96, 64, 8, 4, 96, 106, 114},
        {96, 96, 33, 4, 4, 49, 59, 67}};
    for (const auto& c : cases) {
        const ListMetrics m = ComputeListMetrics(c.dpiX, c.dpiY, c.icon, c.icon, 13);
        EXPECT_EQ((std::array{m.marginX, m.marginY, m.spacingX, m.spacingY, m.iconWidth, m.iconHeight, m.fontHeight,
            ItemHeight(m), ItemPitch(m)}),
                  (std::array{c.marginX, c.marginY, c.marginX, c.marginY, c.iconCell, c.iconCell, 13, c.itemHeight,
                      c.pitch})) << c.dpiX << " " << c.icon;
    }
    const ListMetrics m = ComputeListMetrics(96, 96, 32, 32, 13);
    EXPECT_EQ(ContentRect({0, 0, 200, 300}, 100, m), (Rect{4, -96, 196, 196}));
    EXPECT_EQ(ContentRect({0, 0, 20, 300}, 0, m), (Rect{4, 4, 56, 296}));
    VolumeList list{std::vector<VolumeEntry>(3)};
    PlaceItems(list, {4, -12, 196, 296}, m);
    EXPECT_EQ((std::array{list.entries[0].itemRect, list.entries[2].itemRect}),
        (std::array{Rect{4, -12, 196, 46}, Rect{4, 120, 196, 178}}));

    // Two text lines with the usage bar between, or the drive letter alone when the text would be no wider than 2.
    const ItemLayout wide = LayoutItem({4, 4, 196, 62}, m, 50);
    EXPECT_EQ((std::array{wide.text, wide.barFrame, wide.barInside, wide.barUsed}),
              (std::array{Rect{61, 9, 191, 57}, Rect{61, 24, 191, 42}, Rect{62, 25, 190, 41}, Rect{62, 25, 126, 41}}));
    EXPECT_EQ(std::pair(wide.iconX, wide.iconY), std::pair(8, 8));
    // rounded, capped
    const std::pair<std::uint32_t, int> shares[] = {{0, 62}, {1, 63}, {99, 189}, {100, 190}, {101, 190},
        {0xFFFFFFFF, 190}};
    for (const auto& [percent, usedRight] : shares)
        EXPECT_EQ(LayoutItem({4, 4, 196, 62}, m, percent).barUsed.right, usedRight) << percent;
    for (const int right : {69, 68, 56}) {
        const ItemLayout item = LayoutItem({4, 4, right, 62}, m, 50);
        EXPECT_TRUE(right == 69 ? item.wide : !item.wide && item.letterCell == (Rect{8, 8, 52, 56})
            && item.barFrame.Empty() && item.barUsed.Empty())
            << right;
    }

    // The scroll range covers every item; requests move inside it.
    constexpr int kIntMax = std::numeric_limits<int>::max();
    const struct { int count, height; std::array<int, 3> range; } ranges[] = {
        {0, 300, {0, 0, 300}}, {10, 120, {0, 660, 120}}, {3, -20, {0, 198, 0}}, {kIntMax, 100, {0, kIntMax, 100}}};
    for (const auto& c : ranges) {
        const ScrollRange range = ScrollRangeFor(c.count, m, c.height);
        EXPECT_EQ((std::array{range.minimum, range.maximum, range.page}), c.range) << c.count << " " << c.height;
    }
    const ScrollState middle{0, 660, 120, 100, 333};  // minimum, maximum, page, position, track
    const struct { ScrollState state; std::uint32_t code; std::optional<int> target; } requests[] = {  // SB_LINEUP 0 to SB_BOTTOM 7
        {middle, 0, 84}, {middle, 1, 116}, {middle, 2, 0}, {middle, 3, 220}, {middle, 4, 333}, {middle, 5, 333},
        {middle, 6, 0}, {middle, 7, 660},
        {middle, 8, {}}, {middle, 0xFFFF, {}}, {{0, 660, 120, 0, 0}, 6, {}}, {{0, 660, 120, 660, 0}, 7, {}},  // not handled; already there
        {{0, 660, 120, 0, 0}, 0, 0}, {{0, 660, 120, 650, 0}, 1, 660}, {{0, 660, kIntMax, kIntMax, 0}, 3, 660},  // clamped
        {{0, 0, 0, 0, 0}, 1, 0}};  // no range at all
    for (const auto& c : requests)
        EXPECT_EQ(ScrollTarget(c.code, c.state), c.target) << c.code << " at " << c.state.position;
}

TEST(ListColors, BlendRoundsHalfUpAndTenColoursComeFromFiveSystemColours)
{
    constexpr ColorRef kWhite = MakeColorRef(255, 255, 255), kBlack = 0, kHighlight = MakeColorRef(0, 120, 215);
    const struct { ColorRef x, y; int percent; ColorRef mixed; } blends[] = {
        {kHighlight, kWhite, 10, MakeColorRef(230, 242, 251)},
        {MakeColorRef(10, 20, 30), MakeColorRef(30, 20, 10), 50, MakeColorRef(20, 20, 20)},
        // 0.5 rounds up, 0.49 down
        {MakeColorRef(1, 0, 3), kBlack, 50, MakeColorRef(1, 0, 2)}, {MakeColorRef(1, 1, 1), kBlack, 49, kBlack},
        {kHighlight, kWhite, -5, kWhite}, {kHighlight, kWhite, 150, kHighlight},  // percents outside 0 to 100
        {0xFF000000u | kWhite, 0xFF000000u, 50, MakeColorRef(128, 128, 128)}};     // the top byte is no channel
    for (const auto& c : blends)
        EXPECT_EQ(BlendColor(c.x, c.y, c.percent), c.mixed) << std::hex << c.x << " " << c.y << " " << std::dec << c.percent;

    const ListColors c = ComputeListColors({kBlack, kWhite, MakeColorRef(240, 240, 240), MakeColorRef(160, 160, 160), kHighlight});
    EXPECT_EQ((std::array{c.text, c.dimText, c.window, c.barBack, c.barFrame, c.barFill, c.focus, c.hotBack,
        c.selectedBack, c.inactiveSelectedBack}),
              (std::array{kBlack, MakeColorRef(102, 102, 102), kWhite, MakeColorRef(243, 243, 243), MakeColorRef(179, 179, 179),
                          MakeColorRef(32, 128, 204), kHighlight, MakeColorRef(230, 242, 251),
                              MakeColorRef(191, 221, 245), MakeColorRef(208, 208, 208)}));
    // Selection wins over hot; the focus frame only with the focus.
    const struct { bool selected, hot, focus; ColorRef fill; bool frame; } backgrounds[] = {
        {false, false, true, c.window, false}, {false, true, false, c.hotBack, false}, {true, true, true, c.selectedBack, true},
        {true, true, false, c.inactiveSelectedBack, false}};
    for (const auto& b : backgrounds) {
        VolumeEntry entry;
        entry.selected = b.selected, entry.hot = b.hot;
        const ItemBackground background = BackgroundOf(entry, b.focus, c);
        EXPECT_EQ(std::pair(background.fill, background.focusFrame), std::pair(b.fill, b.frame)) << b.selected << b.hot << b.focus;
    }
}

// Entries C:, D:, E: 58 pixels high, 66 apart from y = 4. A refresh that broke half-way leaves indices whose entries
// are not marked, or that lie past the end. A move goes to (x, y); marked: false leaves the flag off the entry that
// the action reads: the selected one for a press, the hot one for a move.
TEST_F(VolumesTest, KeysPressesAndPointerMovesMoveTheSelectionAndTheHotEntry)
{
    enum : std::uint32_t { kPress = 'p', kMove = 'm', kLeave = 'l' };
    const struct { const char* what; int selected, hot; std::uint32_t action; int selectedAfter, hotAfter; std::vector<int> repaint;
                   int x = 0, y = 0; bool marked = true; } cases[] = {
        {"down", 1, -1, kKeyDown, 2, -1, {1, 2}}, {"up", 1, -1, kKeyUp, 0, -1, {0, 1}}, {"down on the last", 2, -1, kKeyDown, 2, -1, {}},
        {"up on the first", 0, -1, kKeyUp, 0, -1, {}}, {"home is not handled", 2, -1, 0x24, 2, -1, {}},
        {"none selected", -1, -1, kKeyDown, -1, -1, {}},
        {"up from past the end", 5, -1, kKeyUp, 4, -1, {}}, {"down from past the end", 5, -1, kKeyDown, 5, -1, {}},
        {"press another entry", 0, 2, kPress, 2, 2, {0, 2}}, {"press, none selected", -1, 1, kPress, 1, 1, {1}},
        {"press the selected entry", 1, 1, kPress, 1, 1, {}}, {"press, nothing hot", 0, -1, kPress, 0, -1, {}},
        {"press, hot index past the list", 0, 7, kPress, 0, 7, {}}, {"press the unmarked old index", 1, 1, kPress, 1, 1, {1}, 0, 0, false},
        {"onto the second item", -1, -1, kMove, -1, 1, {1}, 100, 100}, {"from the first", -1, 0, kMove, -1, 1, {0, 1}, 100, 100},
        {"within the hot item", -1, 1, kMove, -1, 1, {}, 150, 120}, {"top-left corner", -1, -1, kMove, -1, 1, {1}, 4, 70},
        {"right edge", -1, 1, kMove, -1, -1, {1}, 196, 100}, {"bottom edge, in the gap", -1, 0, kMove, -1, -1, {0}, 100, 62},
        {"below the last item", -1, -1, kMove, -1, -1, {}, 100, 500},
        {"back onto the unmarked hot index", -1, 1, kMove, -1, 1, {1}, 100, 100, false},
        {"leaving", -1, 1, kLeave, -1, -1, {1}}, {"leaving, nothing hot", -1, -1, kLeave, -1, -1, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        list_ = {{}, c.selected, c.hot}, opened_ = {};
        for (int i = 0; i < 3; ++i) {
            VolumeEntry& entry = list_.entries.emplace_back();
            entry.devicePath = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(L'C' + i) + L":";
            entry.itemRect = {4, 4 + 66 * i, 196, 62 + 66 * i};
            entry.selected = i == c.selected && (c.marked || c.action != kPress), entry.hot = i == c.hot && (c.marked || c.action != kMove);
        }
        ItemsToRepaint repaint = c.action == kPress   ? SelectHotEntry(list_, *this)
                                 : c.action == kMove  ? TrackPointer(list_, c.x, c.y)
                                 : c.action == kLeave ? ClearHotEntry(list_)
                                                      : MoveSelectionByKey(list_, c.action, *this);
        std::sort(repaint.begin(), repaint.end());
        EXPECT_EQ(std::tuple(repaint, list_.selectedIndex, list_.hotIndex), std::tuple(c.repaint, c.selectedAfter, c.hotAfter));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(std::pair(list_.At(i)->selected, list_.At(i)->hot), std::pair(i == c.selectedAfter, i == c.hotAfter)) << i;
        EXPECT_EQ(opened_, c.action != kMove && c.action != kLeave
            && !c.repaint.empty() ? Texts{list_.At(c.selectedAfter)->devicePath} : Texts{});
    }
}

} // namespace
} // namespace trackkit
