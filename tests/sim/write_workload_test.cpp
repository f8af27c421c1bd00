#include "sim/write_workload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

namespace trackkit {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kGiB = 1ULL << 30;
constexpr std::uint64_t kTiB = 1ULL << 40;
constexpr std::uint64_t kStartFileTime = 133'500'000'000'000'000ULL;

WorkloadConfig Config(std::uint64_t volumeBytes, std::uint64_t seed = 1)
{
    WorkloadConfig config;
    config.volumeBytes = volumeBytes;
    config.seed = seed;
    config.sessionStartFileTime = kStartFileTime;
    return config;
}

bool IsSet(std::span<const std::uint8_t> bitmap, std::uint64_t block)
{
    return (bitmap[block / 8] >> (block % 8) & 1u) != 0;
}

std::uint64_t CountSetBits(std::span<const std::uint8_t> bitmap)
{
    return std::accumulate(bitmap.begin(), bitmap.end(), std::uint64_t{0},
                           [](std::uint64_t sum, std::uint8_t byte) { return sum + std::popcount(byte); });
}

std::uint64_t CountSetIn(std::span<const std::uint8_t> bitmap, BlockRange range)
{
    std::uint64_t count = 0;
    for (std::uint64_t block = range.first; block < range.End(); ++block)
        count += IsSet(bitmap, block) ? 1 : 0;
    return count;
}

std::uint64_t Overlap(BlockRange a, BlockRange b)
{
    const std::uint64_t first = std::max(a.first, b.first);
    const std::uint64_t end = std::min(a.End(), b.End());
    return end > first ? end - first : 0;
}

// --- Geometry --------------------------------------------------------------

TEST(LiveGeometryTest, BlocksCoverTheWholeVolumeAndCbtFitsInside)
{
    struct Case {
        std::uint64_t volumeBytes;
        std::uint32_t blockCount;
    };
    const Case cases[] = {
        {2 * kTiB, 33'554'432},
        {64 * kGiB, 1'048'576},
        {1001 * 65536ULL + 1, 1002},  // one byte into a last, partial block
        {1003 * 65536ULL, 1003},
        {65536, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.volumeBytes);
        const TrackingGeometry geometry = LiveGeometry(c.volumeBytes, kDefaultBytesPerBlock);
        EXPECT_EQ(geometry.blockCount, c.blockCount);
        EXPECT_EQ(geometry.bytesPerBlock, kDefaultBytesPerBlock);
        EXPECT_EQ(geometry.clusterFactor1 * geometry.clusterFactor2, 4096u);

        const std::uint64_t clusters = c.volumeBytes / 4096;
        EXPECT_LE(geometry.cbtFirstLcn, geometry.cbtLastLcn);
        EXPECT_LT(geometry.cbtLastLcn, clusters);
        const std::uint64_t cbtBytes = (std::uint64_t{geometry.cbtLastLcn} - geometry.cbtFirstLcn + 1) * 4096;
        EXPECT_GE(cbtBytes, SessionBitmapLength(geometry.blockCount));
        EXPECT_LE(CbtBlocks(geometry).End(), geometry.blockCount);
    }
}

TEST(LiveGeometryTest, HugeVolumesGetLargerClustersAndBlocksRatherThanWrapping)
{
    const TrackingGeometry large = LiveGeometry(20 * kTiB, kDefaultBytesPerBlock);
    EXPECT_EQ(large.clusterFactor2, 16u);
    EXPECT_EQ(large.bytesPerBlock, kDefaultBytesPerBlock);

    // 300 TiB in 64 KiB blocks would need more than 2^32 bits.
    const TrackingGeometry enormous = LiveGeometry(300 * kTiB, kDefaultBytesPerBlock);
    EXPECT_EQ(enormous.bytesPerBlock, 2 * kDefaultBytesPerBlock);
    EXPECT_EQ(enormous.blockCount, 300u << 23);
    EXPECT_EQ(enormous.clusterFactor2, 256u);
    EXPECT_LT(enormous.cbtLastLcn, 300 * kTiB / (512 * 256));

    EXPECT_EQ(LiveGeometry(0, kDefaultBytesPerBlock).blockCount, 0u);
    EXPECT_EQ(LiveGeometry(kGiB, 0).bytesPerBlock, kDefaultBytesPerBlock);
}

// --- Determinism -----------------------------------------------------------

TEST(WriteWorkloadTest, SameSeedAndElapsedTimeGiveTheSameSessionHoweverTimeIsSliced)
{
    WriteWorkload inOneGo(Config(64 * kGiB, 42));
    inOneGo.AdvanceTo(10min);

    WriteWorkload inPolls(Config(64 * kGiB, 42));
    for (std::chrono::milliseconds t = 0ms; t <= 10min; t += 250ms)
        inPolls.AdvanceTo(t);

    EXPECT_EQ(inOneGo.StepsRun(), inPolls.StepsRun());
    EXPECT_TRUE(std::ranges::equal(inOneGo.Bitmap(), inPolls.Bitmap()));
    EXPECT_EQ(inOneGo.Statistics().writesSeen, inPolls.Statistics().writesSeen);
    EXPECT_EQ(inOneGo.Statistics().trimBytes, inPolls.Statistics().trimBytes);

    inPolls.AdvanceTo(1s);  // time does not run backwards
    EXPECT_TRUE(std::ranges::equal(inOneGo.Bitmap(), inPolls.Bitmap()));

    WriteWorkload otherSeed(Config(64 * kGiB, 43));
    otherSeed.AdvanceTo(10min);
    EXPECT_FALSE(std::ranges::equal(inOneGo.Bitmap(), otherSeed.Bitmap()));
}

// --- Agreement between counters and bitmap ---------------------------------

TEST(WriteWorkloadTest, CountersAgreeWithTheBitmapAndWithEachOther)
{
    WriteWorkload workload(Config(64 * kGiB, 3));
    std::uint64_t lastTrackingTime = 0;
    for (std::chrono::minutes t = 1min; t <= 15min; t += 1min) {
        workload.AdvanceTo(t);
        const TrackingInfo& info = workload.Statistics();
        const std::uint64_t tracked = workload.Counts().Total();
        SCOPED_TRACE(t.count());
        ASSERT_EQ(info.changedBlocks, CountSetBits(workload.Bitmap()));
        EXPECT_EQ(info.changedBytes, info.changedBlocks * kDefaultBytesPerBlock);
        EXPECT_EQ(info.writesConsidered, tracked + info.excludedWrites);
        EXPECT_EQ(info.writesSeen, info.writesConsidered + info.failedWrites);
        EXPECT_EQ(info.pagedWrites, workload.Counts().scattered + workload.Counts().copy);
        EXPECT_GE(info.trackingMicroseconds, 2 * tracked);
        EXPECT_GT(info.trackingMicroseconds, lastTrackingTime);
        lastTrackingTime = info.trackingMicroseconds;
    }
    const TrackingInfo& info = workload.Statistics();
    EXPECT_GT(info.excludedWrites, 0u);
    EXPECT_GT(info.queuedWrites, 0u);
    EXPECT_GT(info.trimBytes, 0u);
    EXPECT_GE(info.logFileRestartCount, 1u);
    EXPECT_LE(info.logFileRestartCount, 3u);
    EXPECT_EQ(info.sessionStartFileTime, kStartFileTime);
    EXPECT_EQ(workload.SessionsStarted(), 1u);
}

// --- The four kinds of work ------------------------------------------------

TEST(WriteWorkloadTest, TouchesTheHotRegionTheLogScatteredBlocksAndACopy)
{
    WriteWorkload workload(Config(64 * kGiB, 5));
    workload.AdvanceTo(10min);
    const auto bitmap = workload.Bitmap();
    const WorkloadLayout& layout = workload.Layout();
    const WriteCounts& counts = workload.Counts();
    ASSERT_EQ(workload.SessionsStarted(), 1u);

    EXPECT_GT(counts.hot, 0u);
    EXPECT_GT(CountSetIn(bitmap, layout.hot), layout.hot.count / 2);

    // The log has not wrapped yet: everything from its start up to the cursor.
    const std::uint64_t logBlocks = (counts.log * WriteWorkload::kLogAppendBytes + kDefaultBytesPerBlock - 1) / kDefaultBytesPerBlock;
    ASSERT_LT(logBlocks, layout.log.count);
    EXPECT_GT(counts.log, 0u);
    EXPECT_EQ(CountSetIn(bitmap, {layout.log.first, logBlocks}), logBlocks);
    EXPECT_FALSE(IsSet(bitmap, layout.log.first + logBlocks));

    ASSERT_TRUE(workload.LastCopy().has_value());
    const BlockRange copy = *workload.LastCopy();
    EXPECT_GE(copy.count, workload.Geometry().blockCount / 200);
    EXPECT_EQ(CountSetIn(bitmap, copy) + Overlap(copy, layout.cbt), copy.count);

    std::uint64_t elsewhere = 0;
    for (std::uint64_t block = 0; block < workload.Geometry().blockCount; ++block) {
        if (!layout.hot.Contains(block) && !layout.log.Contains(block) && !copy.Contains(block))
            elsewhere += IsSet(bitmap, block) ? 1 : 0;
    }
    EXPECT_GT(counts.scattered, 1000u);
    EXPECT_GT(elsewhere, counts.scattered / 2);
}

// Copies go to a rotating set of backup files in the last quarter, clear of
// the database and the log, and each starts at its file's first block.
TEST(WriteWorkloadTest, CopiesRewriteTheBackupFilesInTurnFromTheirStart)
{
    WriteWorkload workload(Config(64 * kGiB, 8));
    const WorkloadLayout& layout = workload.Layout();
    const std::uint64_t blockCount = workload.Geometry().blockCount;
    ASSERT_EQ(layout.copyTargets.size(), 4u);
    for (std::size_t i = 0; i < layout.copyTargets.size(); ++i) {
        const BlockRange target = layout.copyTargets[i];
        SCOPED_TRACE(i);
        EXPECT_GE(target.count, 2 * (blockCount / 200));  // the longest copy
        EXPECT_GE(target.first, blockCount * 3 / 4);
        EXPECT_LE(target.End(), blockCount);
        EXPECT_EQ(Overlap(target, layout.hot) + Overlap(target, layout.log) + Overlap(target, layout.cbt), 0u);
        if (i > 0) {
            EXPECT_EQ(target.first, layout.copyTargets[i - 1].End());
        }
    }

    std::vector<std::uint64_t> copyStarts;
    for (std::chrono::seconds t = 1s; t <= 30min; t += 1s) {
        workload.AdvanceTo(t);
        const std::optional<BlockRange> copy = workload.LastCopy();
        if (copy && (copyStarts.empty() || copyStarts.back() != copy->first))
            copyStarts.push_back(copy->first);
        if (copy) {
            ASSERT_LE(copy->End(), layout.copyTargets[(copyStarts.size() - 1) % 4].End());
        }
    }
    ASSERT_EQ(workload.SessionsStarted(), 1u);
    ASSERT_GE(copyStarts.size(), 5u);
    for (std::size_t i = 0; i < copyStarts.size(); ++i)
        EXPECT_EQ(copyStarts[i], layout.copyTargets[i % 4].first) << i;
}

// Volumes whose block count is not a multiple of 8 leave unused bits in the
// last byte; regions, copies and scattered writes placed near the end must
// stop at N. $CBT only ever gets the driver's own, untracked writes.
TEST(WriteWorkloadTest, NeitherBitsPastTheBlockCountNorCbtBlocksAreEverSet)
{
    const std::uint64_t volumeSizes[] = {1003 * 65536ULL, 1001 * 65536ULL + 1, 13 * 65536ULL, 65536 * 7};
    for (std::uint64_t size : volumeSizes) {
        for (std::uint64_t seed = 1; seed <= 4; ++seed) {
            SCOPED_TRACE(testing::Message() << size << " seed " << seed);
            WriteWorkload workload(Config(size, seed));
            const std::uint32_t blockCount = workload.Geometry().blockCount;
            ASSERT_EQ(workload.Bitmap().size(), SessionBitmapLength(blockCount));
            EXPECT_LE(workload.Layout().hot.End(), blockCount);
            EXPECT_LE(workload.Layout().log.End(), blockCount);
            ASSERT_FALSE(workload.Layout().copyTargets.empty());
            for (const BlockRange& target : workload.Layout().copyTargets) {
                EXPECT_GT(target.count, 0u);
                EXPECT_LE(target.End(), blockCount);
            }
            const auto unusedMask = static_cast<std::uint8_t>(0xFF << (blockCount % 8));
            for (std::chrono::seconds t = 5s; t <= 20min; t += 5s) {
                workload.AdvanceTo(t);
                ASSERT_EQ(workload.Bitmap().back() & unusedMask, 0);
                ASSERT_EQ(CountSetIn(workload.Bitmap(), workload.Layout().cbt), 0u);
                ASSERT_EQ(workload.Statistics().changedBlocks, CountSetBits(workload.Bitmap()));
            }
        }
    }
}

// --- Pace and new sessions -------------------------------------------------

TEST(WriteWorkloadTest, ATwoTerabyteMapChangesEveryPollButStaysFarFromFull)
{
    WriteWorkload workload(Config(2 * kTiB, 11));
    std::uint64_t previous = 0;
    for (std::chrono::milliseconds t = 250ms; t <= 10s; t += 250ms) {
        workload.AdvanceTo(t);
        ASSERT_GT(workload.Statistics().changedBlocks, previous + 20) << t.count();
        previous = workload.Statistics().changedBlocks;
    }
    workload.AdvanceTo(10min);
    EXPECT_LT(workload.Statistics().changedBlocks, workload.Geometry().blockCount / 10);
    EXPECT_EQ(workload.SessionsStarted(), 1u);
}

// The shade of each cell of a map with blocksPerCell blocks a cell (a multiple
// of 64): the share of its blocks that changed, in quarters rounded up.
std::vector<std::uint64_t> CellLevels(std::span<const std::uint8_t> bitmap, std::uint64_t blocksPerCell)
{
    std::vector<std::uint64_t> words((bitmap.size() + 7) / 8);
    std::memcpy(words.data(), bitmap.data(), bitmap.size());
    std::vector<std::uint64_t> levels;
    for (std::size_t first = 0; first < words.size(); first += blocksPerCell / 64) {
        std::uint64_t set = 0;
        for (std::size_t i = first; i < std::min<std::size_t>(first + blocksPerCell / 64, words.size()); ++i)
            set += static_cast<std::uint64_t>(std::popcount(words[i]));
        levels.push_back((4 * set + blocksPerCell - 1) / blocksPerCell);
    }
    return levels;
}

// A demo opens on a workload four hours old and polls it every second. On the
// map of the default window, 7,000 cells or more, some cell must change its shade
// within a few seconds however long it watches, and the map must not fill up.
TEST(WriteWorkloadTest, TheDefaultMapChangesShadeEveryFewSecondsAndNeverFillsUp)
{
    constexpr std::uint64_t kDefaultMapCells = 7000;
    constexpr auto kWarmUp = 4h;
    constexpr auto kLongestStill = 3s;
    const std::uint64_t volumeSizes[] = {64 * kGiB, 256 * kGiB};
    for (std::uint64_t size : volumeSizes) {
        SCOPED_TRACE(size);
        WriteWorkload workload(Config(size, 9));
        const std::uint32_t blockCount = workload.Geometry().blockCount;
        const std::uint64_t blocksPerCell = (blockCount / kDefaultMapCells + 63) / 64 * 64;
        workload.AdvanceTo(kWarmUp);
        EXPECT_GE(workload.SessionsStarted(), 2u);

        std::vector<std::uint64_t> levels = CellLevels(workload.Bitmap(), blocksPerCell);
        std::chrono::seconds lastChange = kWarmUp;
        for (std::chrono::seconds t = kWarmUp + 1s; t <= kWarmUp + 10min; t += 1s) {
            workload.AdvanceTo(t);
            std::vector<std::uint64_t> now = CellLevels(workload.Bitmap(), blocksPerCell);
            if (now != levels)
                lastChange = t;
            ASSERT_LE(t - lastChange, kLongestStill) << "at " << t.count() << " s";
            ASSERT_LT(workload.Statistics().changedBlocks, blockCount * 61 / 100);
            levels = std::move(now);
        }
    }
}

TEST(WriteWorkloadTest, AFilledMapStartsANewSessionFromZero)
{
    WriteWorkload workload(Config(1003 * 65536ULL, 2));
    const std::uint64_t trackable = workload.Geometry().blockCount - workload.Layout().cbt.count;
    while (workload.SessionsStarted() == 1 && workload.StepsRun() < 200'000)
        workload.AdvanceTo(WriteWorkload::kStep * (workload.StepsRun() + 1));
    ASSERT_EQ(workload.SessionsStarted(), 2u);

    const TrackingInfo& info = workload.Statistics();
    const std::uint64_t ticksPerStep = 500'000;
    EXPECT_EQ(info.sessionStartFileTime, kStartFileTime + workload.StepsRun() * ticksPerStep);
    EXPECT_LT(info.changedBlocks, trackable * 6 / 10);
    EXPECT_EQ(info.changedBlocks, CountSetBits(workload.Bitmap()));
    EXPECT_EQ(info.writesSeen, 0u);
    EXPECT_EQ(workload.Counts().Total(), 0u);
}

} // namespace
} // namespace trackkit
