// The demo's volumes: the write workload, the session it records and the
// file layout the cluster lookup answers from.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <vector>

#include "sim/file_layout.h"
#include "tracking/cluster_lookup.h"

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kGiB = 1ULL << 30;
constexpr std::uint64_t kTiB = 1ULL << 40;
constexpr std::uint64_t kStartFileTime = 133'500'000'000'000'000ULL;

WorkloadConfig Config(std::uint64_t volumeBytes, std::uint64_t seed)
{
    WorkloadConfig config;
    config.volumeBytes = volumeBytes;
    config.seed = seed;
    config.sessionStartFileTime = kStartFileTime;
    return config;
}

std::uint64_t SetBits(std::span<const std::uint8_t> bitmap)
{
    return std::accumulate(bitmap.begin(), bitmap.end(), std::uint64_t{0},
                           [](std::uint64_t sum, std::uint8_t byte) { return sum + std::popcount(byte); });
}

std::uint64_t SetBitsIn(std::span<const std::uint8_t> bitmap, BlockRange range)
{
    std::uint64_t count = 0;
    for (std::uint64_t block = range.first; block < range.End(); ++block)
        count += bitmap[block / 8] >> (block % 8) & 1u;
    return count;
}

TEST(LiveGeometryTest, BlocksCoverTheVolumeAndCbtHoldsTheBitmapWithoutWrapping)
{
    const struct {
        std::uint64_t volumeBytes;
        std::uint32_t blockCount, bytesPerBlock, sectorsPerCluster;
    } cases[] = {
        {65536, 1, 65536, 8},
        {1001 * 65536ULL + 1, 1002, 65536, 8},  // one byte into a last, partial block
        {64 * kGiB, 1'048'576, 65536, 8},
        {2 * kTiB, 33'554'432, 65536, 8},
        {20 * kTiB, 335'544'320, 65536, 16},      // too many clusters for 32 bits at 4 KiB
        {300 * kTiB, 300u << 23, 131072, 256},    // too many blocks for 32 bits at 64 KiB
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.volumeBytes);
        const TrackingGeometry geometry = LiveGeometry(c.volumeBytes, kDefaultBytesPerBlock);
        EXPECT_EQ(geometry.blockCount, c.blockCount);
        EXPECT_EQ(geometry.bytesPerBlock, c.bytesPerBlock);
        EXPECT_EQ(geometry.clusterFactor1, 512u);
        EXPECT_EQ(geometry.clusterFactor2, c.sectorsPerCluster);
        const std::uint64_t bytesPerCluster = 512ULL * c.sectorsPerCluster;
        EXPECT_LE(geometry.cbtFirstLcn, geometry.cbtLastLcn);
        EXPECT_LT(geometry.cbtLastLcn, c.volumeBytes / bytesPerCluster);
        EXPECT_GE((geometry.cbtLastLcn - geometry.cbtFirstLcn + 1ULL) * bytesPerCluster, SessionBitmapLength(c.blockCount));
        EXPECT_LE(CbtBlocks(geometry).End(), geometry.blockCount);
    }
    EXPECT_EQ(LiveGeometry(0, kDefaultBytesPerBlock).blockCount, 0u);
    EXPECT_EQ(LiveGeometry(kGiB, 0).bytesPerBlock, kDefaultBytesPerBlock);
}

TEST(FileLayoutTest, AVolumeWithoutGeometryHasNoStreams)
{
    FileLayoutPlan plan;
    plan.volumeBytes = 64 * kGiB;
    plan.geometry = {512, 8, 1000, 0, 0, 0};  // no bytes per block
    EXPECT_TRUE(FileLayout(plan).Streams().empty());
    plan.geometry = {0, 8, 1000, 65536, 0, 0};  // no bytes per cluster
    EXPECT_TRUE(FileLayout(plan).Extents().empty());
    EXPECT_EQ(FileLayout(plan).OwnerOf(0), nullptr);
}

// Over a few seeds, on tiny volumes (every region squeezed into a few blocks,
// unused bits in the bitmap's last byte) and on an ordinary one.
TEST(DemoVolumeTest, WorkloadLayoutStatisticsAndLookupsStaySoundOverSeeds)
{
    std::vector<std::uint8_t> previousSeedsBitmap;
    for (const std::uint64_t size : {std::uint64_t{13 * 65536}, 1001 * 65536 + std::uint64_t{1}, 64 * kGiB}) {
        for (const std::uint64_t seed : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << size << " bytes, seed " << seed);
            WriteWorkload workload(Config(size, seed));
            const std::uint64_t blockCount = workload.Geometry().blockCount;
            const WorkloadLayout& regions = workload.Layout();
            std::vector<BlockRange> all{regions.hot, regions.log, regions.cbt};
            all.insert(all.end(), regions.copyTargets.begin(), regions.copyTargets.end());
            ASSERT_GT(all.size(), 3u);
            for (const BlockRange& region : all)
                EXPECT_TRUE(region.count > 0 && region.End() <= blockCount) << region.first << "+" << region.count;

            // Each cluster belongs to one stream at most, and every stream has clusters.
            const FileLayout layout(FileLayoutPlanFor(workload));
            const std::uint64_t bytesPerCluster = 512ULL * workload.Geometry().clusterFactor2;
            EXPECT_EQ(layout.ClusterCount(), size / bytesPerCluster);
            std::vector<bool> hasExtent(layout.Streams().size());
            std::uint64_t end = 0;
            for (const LayoutExtent& extent : layout.Extents()) {
                ASSERT_TRUE(extent.count > 0 && extent.first >= end && extent.stream < hasExtent.size());
                end = extent.End();
                hasExtent[extent.stream] = true;
            }
            EXPECT_LE(end, layout.ClusterCount());
            EXPECT_EQ(std::ranges::count(hasExtent, false), 0);
            for (const LayoutStream& stream : layout.Streams())
                EXPECT_NE(stream.flags & kLookupAttributeMask, 0u) << "no attribute type: " << stream.name.size();

            // As time passes the bitmap stays inside the volume and off $CBT,
            // the counters describe it, and copies rewrite a backup file from its start.
            WriteWorkload polled(Config(size, seed));
            const auto unusedBits = static_cast<std::uint8_t>(0xFF << (blockCount % 8));
            std::uint64_t trackingTime = 0;
            for (auto t = 30s; t <= 20min; t += 30s) {
                workload.AdvanceTo(t);
                const TrackingInfo& info = workload.Statistics();
                ASSERT_EQ(workload.Bitmap().size(), SessionBitmapLength(workload.Geometry().blockCount));
                ASSERT_EQ(workload.Bitmap().back() & unusedBits, 0);
                ASSERT_EQ(SetBitsIn(workload.Bitmap(), regions.cbt), 0u);
                ASSERT_EQ(info.changedBlocks, SetBits(workload.Bitmap()));
                EXPECT_EQ(info.changedBytes, info.changedBlocks * kDefaultBytesPerBlock);
                EXPECT_EQ(info.writesConsidered, workload.Counts().Total() + info.excludedWrites);
                EXPECT_EQ(info.writesSeen, info.writesConsidered + info.failedWrites);
                EXPECT_EQ(info.pagedWrites, workload.Counts().scattered + workload.Counts().copy);
                EXPECT_GE(info.trackingMicroseconds, 2 * workload.Counts().Total());
                if (workload.SessionsStarted() == 1) {
                    EXPECT_GT(info.trackingMicroseconds, trackingTime);
                    trackingTime = info.trackingMicroseconds;
                }
                if (const auto copy = workload.LastCopy()) {
                    // A copy running when a new session began carries on from where it was.
                    const bool firstSession = workload.SessionsStarted() == 1;
                    EXPECT_TRUE(std::ranges::any_of(regions.copyTargets, [&](BlockRange target) {
                        return (copy->first == target.first || (!firstSession && target.Contains(copy->first))) &&
                               copy->End() <= target.End();
                    })) << copy->first;
                }
                for (auto poll = t - 30s + 250ms; poll <= t; poll += 250ms)
                    polled.AdvanceTo(poll);
            }
            // The session is a function of the seed and the time alone, however the polls slice it.
            EXPECT_TRUE(std::ranges::equal(workload.Bitmap(), polled.Bitmap()));
            EXPECT_EQ(workload.Statistics().writesSeen, polled.Statistics().writesSeen);
            workload.AdvanceTo(1min);  // time does not run backwards
            EXPECT_TRUE(std::ranges::equal(workload.Bitmap(), polled.Bitmap()));
            if (size != 64 * kGiB)
                continue;
            const TrackingInfo& info = workload.Statistics();
            EXPECT_TRUE(info.excludedWrites > 0 && info.queuedWrites > 0 && info.trimBytes > 0) << "rows with nothing to show";
            EXPECT_FALSE(std::ranges::equal(workload.Bitmap(), previousSeedsBitmap));
            previousSeedsBitmap.assign(workload.Bitmap().begin(), workload.Bitmap().end());

            // The database's blocks name it, and exactly the clusters of $CBT name it.
            const auto nameOf = [&](std::uint64_t block) {
                const LayoutStream* stream = layout.OwnerOf(block * kDefaultBytesPerBlock / bytesPerCluster);
                return stream == nullptr ? std::wstring(L"(free)") : stream->name;
            };
            for (std::uint64_t block = regions.hot.first; block < regions.hot.End(); ++block)
                ASSERT_EQ(nameOf(block), L"\\Data\\sales.mdf::$DATA") << block;
            const TrackingGeometry& geometry = workload.Geometry();
            const std::wstring cbt = L"\\System Volume Information\\$CBT::$DATA";
            for (std::uint64_t cluster = geometry.cbtFirstLcn - 1; cluster <= geometry.cbtLastLcn + 1; ++cluster) {
                const LayoutStream* owner = layout.OwnerOf(cluster);
                const bool inCbt = cluster >= geometry.cbtFirstLcn && cluster <= geometry.cbtLastLcn;
                EXPECT_EQ(owner != nullptr && owner->name == cbt, inCbt) << cluster;
            }

            // A lookup lists each stream once, with the first of its clusters
            // asked; free clusters and clusters past the end add nothing.
            const std::uint64_t hot = regions.hot.first * kDefaultBytesPerBlock / bytesPerCluster;
            std::uint64_t freeCluster = 0;
            for (std::size_t i = 1; i < layout.Extents().size() && freeCluster == 0; ++i) {
                if (layout.Extents()[i - 1].End() < layout.Extents()[i].first)
                    freeCluster = layout.Extents()[i - 1].End();
            }
            ASSERT_NE(freeCluster, 0u);
            const std::vector<std::uint64_t> clusters{hot + 16, freeCluster, 1, hot, layout.ClusterCount(), 0, hot + 32, ~0ULL};
            const std::vector<ClusterOwner> owners = layout.OwnersOf(clusters);
            ASSERT_EQ(owners.size(), 2u);
            EXPECT_EQ(owners[0], (ClusterOwner{hot + 16, OwnerFlags::kData, L"\\Data\\sales.mdf::$DATA"}));
            EXPECT_EQ(owners[1], (ClusterOwner{1, OwnerFlags::kFsSystemFile | OwnerFlags::kData, L"\\$Boot::$DATA"}));
        }
    }
}

// A demo opens on a workload four hours old and polls it every second. On the
// map of the default window, 7,000 cells or more, some cell must change its
// shade (quarters of its blocks changed, rounded up) within a few seconds
// however long it watches, and the map must not fill up.
TEST(DemoVolumeTest, TheDefaultMapChangesShadeEveryFewSecondsAndNeverFillsUp)
{
    for (const std::uint64_t size : {64 * kGiB, 256 * kGiB}) {
        SCOPED_TRACE(size);
        WriteWorkload workload(Config(size, 9));
        const std::uint32_t blockCount = workload.Geometry().blockCount;
        const std::size_t wordsPerCell = (blockCount / 7000 + 63) / 64;
        const auto shades = [&] {
            std::vector<std::uint64_t> words((workload.Bitmap().size() + 7) / 8);
            std::memcpy(words.data(), workload.Bitmap().data(), workload.Bitmap().size());
            std::vector<std::uint64_t> levels;
            for (std::size_t first = 0; first < words.size(); first += wordsPerCell) {
                std::uint64_t set = 0;
                for (std::size_t i = first; i < std::min(first + wordsPerCell, words.size()); ++i)
                    set += static_cast<std::uint64_t>(std::popcount(words[i]));
                levels.push_back((4 * set + 64 * wordsPerCell - 1) / (64 * wordsPerCell));
            }
            return levels;
        };
        workload.AdvanceTo(4h);
        EXPECT_GE(workload.SessionsStarted(), 2u);
        std::vector<std::uint64_t> levels = shades();
        int stillFor = 0;
        for (auto t = 4h + 1s; t <= 4h + 10min; t += 1s) {
            workload.AdvanceTo(t);
            std::vector<std::uint64_t> now = shades();
            stillFor = now == levels ? stillFor + 1 : 0;
            ASSERT_LE(stillFor, 3) << "at " << t.count() << " s";
            ASSERT_LT(workload.Statistics().changedBlocks, blockCount * 61 / 100);
            levels = std::move(now);
        }
    }
}

TEST(DemoVolumeTest, AFilledMapStartsANewSessionFromZeroAtThatMoment)
{
    WriteWorkload workload(Config(1003 * 65536ULL, 2));
    while (workload.SessionsStarted() == 1 && workload.StepsRun() < 200'000)
        workload.AdvanceTo(WriteWorkload::kStep * (workload.StepsRun() + 1));
    ASSERT_EQ(workload.SessionsStarted(), 2u);
    const TrackingInfo& info = workload.Statistics();
    EXPECT_EQ(info.sessionStartFileTime, kStartFileTime + workload.StepsRun() * 500'000);  // 50 ms steps
    EXPECT_EQ(info.changedBlocks, SetBits(workload.Bitmap()));
    EXPECT_LT(info.changedBlocks, (1003 - workload.Layout().cbt.count) * 6 / 10);
    EXPECT_EQ(info.writesSeen, 0u);
    EXPECT_EQ(workload.Counts().Total(), 0u);
}

} // namespace
} // namespace trackkit
