#include "sim/file_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kGiB = 1ULL << 30;
constexpr std::uint64_t kBlockBytes = 65536;

WriteWorkload Workload(std::uint64_t volumeBytes, std::uint64_t seed = 1)
{
    WorkloadConfig config;
    config.volumeBytes = volumeBytes;
    config.seed = seed;
    return WriteWorkload(config);
}

std::uint64_t BytesPerCluster(const WriteWorkload& workload)
{
    return std::uint64_t{workload.Geometry().clusterFactor1} * workload.Geometry().clusterFactor2;
}

// The cluster the lookup asks about for a block: its first.
std::uint64_t ClusterOfBlock(const WriteWorkload& workload, std::uint64_t block)
{
    return block * workload.Geometry().bytesPerBlock / BytesPerCluster(workload);
}

std::wstring NameAt(const FileLayout& layout, std::uint64_t cluster)
{
    const LayoutStream* stream = layout.OwnerOf(cluster);
    return stream == nullptr ? L"(free)" : stream->name;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::map<std::size_t, int> ExtentsPerStream(const FileLayout& layout)
{
    std::map<std::size_t, int> counts;
    for (const LayoutExtent& extent : layout.Extents())
        ++counts[extent.stream];
    return counts;
}

const LayoutStream* FindStream(const FileLayout& layout, std::wstring_view name)
{
    for (const LayoutStream& stream : layout.Streams()) {
        if (stream.name == name)
            return &stream;
    }
    return nullptr;
}

// --- Shape -----------------------------------------------------------------

// Tiny volumes squeeze every region into a few blocks; none may break the
// layout's invariants.
TEST(FileLayoutTest, ExtentsAreSortedDisjointInsideTheVolumeAndEveryStreamHasOne)
{
    const std::uint64_t sizes[] = {kBlockBytes, 7 * kBlockBytes, 13 * kBlockBytes + 1, 1003 * kBlockBytes, kGiB, 64 * kGiB};
    for (std::uint64_t size : sizes) {
        SCOPED_TRACE(size);
        const WriteWorkload workload = Workload(size, 3);
        const FileLayout layout(FileLayoutPlanFor(workload));
        EXPECT_EQ(layout.ClusterCount(), size / BytesPerCluster(workload));
        ASSERT_FALSE(layout.Extents().empty());
        std::uint64_t end = 0;
        for (const LayoutExtent& extent : layout.Extents()) {
            ASSERT_GT(extent.count, 0u);
            ASSERT_GE(extent.first, end);
            ASSERT_LT(extent.stream, layout.Streams().size());
            end = extent.End();
        }
        EXPECT_LE(end, layout.ClusterCount());
        EXPECT_EQ(ExtentsPerStream(layout).size(), layout.Streams().size());
        for (const LayoutStream& stream : layout.Streams())
            EXPECT_NE(stream.flags & 0xFF000000, 0u) << stream.name.c_str();
    }
}

TEST(FileLayoutTest, TheSamePlanGivesTheSameLayoutAndTheSeedOnlyMovesOrdinaryFiles)
{
    const WriteWorkload workload = Workload(64 * kGiB, 9);
    const FileLayout first(FileLayoutPlanFor(workload));
    const FileLayout again(FileLayoutPlanFor(workload));
    ASSERT_EQ(first.Extents().size(), again.Extents().size());
    for (std::size_t i = 0; i < first.Extents().size(); ++i) {
        const LayoutExtent& a = first.Extents()[i];
        const LayoutExtent& b = again.Extents()[i];
        ASSERT_EQ(a.first, b.first);
        ASSERT_EQ(a.count, b.count);
        ASSERT_EQ(first.Streams()[a.stream].name, again.Streams()[b.stream].name);
    }

    FileLayoutPlan reseeded = FileLayoutPlanFor(workload);
    reseeded.seed = 10;
    const FileLayout other(reseeded);
    EXPECT_EQ(NameAt(other, 0), NameAt(first, 0));
    EXPECT_EQ(NameAt(other, ClusterOfBlock(workload, workload.Layout().hot.first)), L"\\Data\\sales.mdf::$DATA");
    std::size_t sameNames = 0;
    for (std::size_t i = 0; i < std::min(first.Streams().size(), other.Streams().size()); ++i)
        sameNames += first.Streams()[i].name == other.Streams()[i].name ? 1 : 0;
    EXPECT_LT(sameNames, first.Streams().size() / 2);
}

TEST(FileLayoutTest, AVolumeWithoutGeometryHasNoStreams)
{
    FileLayoutPlan plan;
    plan.volumeBytes = 64 * kGiB;
    plan.geometry = {512, 8, 1000, 0, 0, 0};  // no bytes per block
    EXPECT_TRUE(FileLayout(plan).Streams().empty());
    plan.geometry = {0, 8, 1000, 65536, 0, 0};  // no bytes per cluster
    const FileLayout layout(plan);
    EXPECT_TRUE(layout.Extents().empty());
    EXPECT_EQ(layout.OwnerOf(0), nullptr);
}

// --- Where the files are ---------------------------------------------------

TEST(FileLayoutTest, TheFileSystemsOwnFilesComeFirst)
{
    const FileLayout layout(FileLayoutPlanFor(Workload(64 * kGiB)));
    const LayoutStream* boot = layout.OwnerOf(0);
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->name, L"\\$Boot::$DATA");
    EXPECT_EQ(boot->flags, OwnerFlags::kFsSystemFile | OwnerFlags::kData);

    // From cluster 0 the extents follow each other without a gap, all of
    // system files, until the first ordinary one.
    std::set<std::wstring> leading;
    std::uint64_t end = 0;
    for (const LayoutExtent& extent : layout.Extents()) {
        const LayoutStream& stream = layout.Streams()[extent.stream];
        if ((stream.flags & OwnerFlags::kFsSystemFile) == 0)
            break;
        ASSERT_EQ(extent.first, end) << stream.name.c_str();
        end = extent.End();
        leading.insert(stream.name);
    }
    for (const wchar_t* name : {L"\\$MFT::$DATA", L"\\$MFTMirr::$DATA", L"\\$LogFile::$DATA", L"\\$Bitmap::$DATA"})
        EXPECT_EQ(leading.count(name), 1u) << name;

    const LayoutStream* mftBitmap = FindStream(layout, L"\\$MFT::$BITMAP");
    ASSERT_NE(mftBitmap, nullptr);
    EXPECT_EQ(mftBitmap->flags, OwnerFlags::kFsSystemFile | OwnerFlags::kSystem);
    const std::size_t mft = static_cast<std::size_t>(FindStream(layout, L"\\$MFT::$DATA") - layout.Streams().data());
    EXPECT_EQ(ExtentsPerStream(layout)[mft], 2);
}

TEST(FileLayoutTest, TheWorkloadsBusyBlocksNameTheFilesItWrites)
{
    for (std::uint64_t seed : {1, 2, 3}) {
        SCOPED_TRACE(seed);
        const WriteWorkload workload = Workload(64 * kGiB, seed);
        const WorkloadLayout& regions = workload.Layout();
        const FileLayout layout(FileLayoutPlanFor(workload));

        for (std::uint64_t block = regions.hot.first; block < regions.hot.End(); ++block)
            ASSERT_EQ(NameAt(layout, ClusterOfBlock(workload, block)), L"\\Data\\sales.mdf::$DATA") << block;

        // The log's days follow each other as the appends move on.
        std::vector<std::wstring> days;
        for (std::uint64_t block = regions.log.first; block < regions.log.End(); ++block) {
            const std::wstring name = NameAt(layout, ClusterOfBlock(workload, block));
            ASSERT_TRUE(StartsWith(name, L"\\Data\\Logs\\app-2026-12-0")) << block;
            if (days.empty() || days.back() != name)
                days.push_back(name);
        }
        EXPECT_EQ(days.size(), 5u);
        EXPECT_TRUE(std::is_sorted(days.begin(), days.end()));

        for (std::size_t i = 0; i < regions.copyTargets.size(); ++i) {
            const std::wstring expected = L"\\Backups\\copy-0" + std::to_wstring(i + 1) + L".bak::$DATA";
            for (std::uint64_t block = regions.copyTargets[i].first; block < regions.copyTargets[i].End(); ++block)
                ASSERT_EQ(NameAt(layout, ClusterOfBlock(workload, block)), expected) << block;
        }

        const TrackingGeometry& geometry = workload.Geometry();
        const std::wstring cbt = L"\\System Volume Information\\$CBT::$DATA";
        for (std::uint64_t cluster = geometry.cbtFirstLcn; cluster <= geometry.cbtLastLcn; ++cluster)
            EXPECT_EQ(NameAt(layout, cluster), cbt);
        EXPECT_NE(NameAt(layout, geometry.cbtFirstLcn - 1), cbt);
        EXPECT_NE(NameAt(layout, geometry.cbtLastLcn + 1), cbt);
        EXPECT_EQ(layout.OwnerOf(geometry.cbtFirstLcn)->flags, OwnerFlags::kDenyDefrag | OwnerFlags::kData);
    }
}

// A copy that has run for a while: every block it wrote lies in one backup file.
TEST(FileLayoutTest, TheBlocksOfARunningCopyNameItsBackupFile)
{
    WriteWorkload workload = Workload(64 * kGiB, 4);
    workload.AdvanceTo(10min);
    ASSERT_TRUE(workload.LastCopy().has_value());
    const BlockRange copy = *workload.LastCopy();
    const FileLayout layout(FileLayoutPlanFor(workload));
    const std::wstring name = NameAt(layout, ClusterOfBlock(workload, copy.first));
    EXPECT_TRUE(StartsWith(name, L"\\Backups\\copy-")) << name.c_str();
    for (std::uint64_t block = copy.first; block < copy.End(); ++block)
        ASSERT_EQ(NameAt(layout, ClusterOfBlock(workload, block)), name) << block;
}

TEST(FileLayoutTest, OrdinaryFilesFillMostOfTheRestWithFreeGapsBetween)
{
    const WriteWorkload workload = Workload(64 * kGiB, 5);
    const FileLayout layout(FileLayoutPlanFor(workload));
    const std::uint64_t blocks = workload.Geometry().blockCount;
    std::uint64_t owned = 0;
    std::uint64_t freeRuns = 0;
    bool previousFree = false;
    for (std::uint64_t block = 0; block < blocks; ++block) {
        const bool isFree = layout.OwnerOf(ClusterOfBlock(workload, block)) == nullptr;
        owned += isFree ? 0 : 1;
        freeRuns += isFree && !previousFree ? 1 : 0;
        previousFree = isFree;
    }
    EXPECT_GT(owned, blocks * 7 / 10);
    EXPECT_LT(owned, blocks * 95 / 100);
    EXPECT_GT(freeRuns, 100u);

    // Each kind of stream the lookup can report is there.
    std::set<std::uint32_t> flags;
    for (const LayoutStream& stream : layout.Streams())
        flags.insert(stream.flags);
    for (std::uint32_t expected : {OwnerFlags::kPageFile | OwnerFlags::kData, OwnerFlags::kIndex,
                                   OwnerFlags::kFsSystemFile | OwnerFlags::kIndex,
                                   OwnerFlags::kTxfSystemFile | OwnerFlags::kFsSystemFile | OwnerFlags::kData})
        EXPECT_EQ(flags.count(expected), 1u) << std::hex << expected;
    EXPECT_NE(FindStream(layout, L"\\pagefile.sys::$DATA"), nullptr);

    // Some ordinary files are in pieces, with other files between them.
    int fragmented = 0;
    for (const auto& [stream, extents] : ExtentsPerStream(layout))
        fragmented += extents > 1 && layout.Streams()[stream].flags == OwnerFlags::kData ? 1 : 0;
    EXPECT_GT(fragmented, 20);
}

// --- Answers ---------------------------------------------------------------

TEST(FileLayoutTest, OwnersListEachStreamOnceWithItsFirstClusterAsked)
{
    const WriteWorkload workload = Workload(64 * kGiB, 6);
    const FileLayout layout(FileLayoutPlanFor(workload));
    const std::uint64_t hot = ClusterOfBlock(workload, workload.Layout().hot.first);
    std::uint64_t freeCluster = 0;
    for (std::size_t i = 1; i < layout.Extents().size() && freeCluster == 0; ++i) {
        if (layout.Extents()[i - 1].End() < layout.Extents()[i].first)
            freeCluster = layout.Extents()[i - 1].End();
    }
    ASSERT_NE(freeCluster, 0u);
    const std::uint64_t pastTheEnd = layout.ClusterCount();

    const std::vector<std::uint64_t> clusters{hot + 16, freeCluster, 1, hot, pastTheEnd, 0, hot + 32, ~0ULL};
    const std::vector<ClusterOwner> owners = layout.OwnersOf(clusters);
    ASSERT_EQ(owners.size(), 2u);
    EXPECT_EQ(owners[0], (ClusterOwner{hot + 16, OwnerFlags::kData, L"\\Data\\sales.mdf::$DATA"}));
    EXPECT_EQ(owners[1], (ClusterOwner{1, OwnerFlags::kFsSystemFile | OwnerFlags::kData, L"\\$Boot::$DATA"}));

    EXPECT_TRUE(layout.OwnersOf(std::vector<std::uint64_t>{freeCluster, pastTheEnd, pastTheEnd + 1, ~0ULL}).empty());
}

} // namespace
} // namespace trackkit
