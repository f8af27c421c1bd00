#include "sim/write_workload.h"

#include <algorithm>
#include <limits>

#include "sim/clock.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

// NTFS-like cluster geometry.
constexpr std::uint32_t kBytesPerSector = 512;
constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::uint32_t kMaxSectorsPerCluster = 4096;  // 2 MiB clusters
constexpr std::uint64_t kMftZoneDivisor = 8;           // the MFT zone reserves an eighth

constexpr std::uint64_t kStepsPerHour = std::chrono::hours{1} / WriteWorkload::kStep;

// Region sizes, as shares of the volume's blocks.
constexpr std::uint64_t kMinRegionBlocks = 8;
constexpr std::uint64_t kHotRegionDivisor = 500;
constexpr std::uint64_t kLogRegionDivisor = 200;

// Rates per step. The log goes round its region every half hour at the
// least, so that on any volume the daily logs are among what changed most.
constexpr std::uint64_t kStepsPerLogRound = 30 * 60 * 20;
constexpr std::uint64_t kMaxHotWritesPerStep = 32;  // 16 on average, in bursts
constexpr std::uint64_t kMillion = 1'000'000;
constexpr std::uint64_t kScatteredVolumeDivisorPerHour = 50;  // 2% of the blocks per hour
constexpr std::uint64_t kMinScatteredMillionthsPerStep = 250'000;  // small volumes still move
constexpr std::uint64_t kInlineWritesPerStep = 24;  // more than this wait in the tracker's queue

// Large copies: N/4000 to N/2000 blocks (smaller than a daily log, so that the
// database and the logs lead what changed) at N/100000 blocks per step, in 1 MiB
// writes, the first after 10 to 60 seconds, then every 1 to 5 minutes. They
// go to four backup files in the last quarter of the volume, clear of the log
// region (which may run up to N/200 past three quarters) and of the very end.
constexpr std::uint64_t kCopyLengthDivisor = 4000;
constexpr std::uint64_t kCopyTargets = 4;
constexpr std::uint64_t kCopyAreaClearanceDivisor = 100;
constexpr std::uint64_t kCopyAreaTailDivisor = 16;
constexpr std::uint64_t kCopySpeedDivisor = 100'000;
constexpr std::uint64_t kCopyWriteBytes = 1024 * 1024;
constexpr std::uint64_t kFirstCopyAfterSteps = 200;
constexpr std::uint64_t kFirstCopyWindowSteps = 1000;
constexpr std::uint64_t kCopyGapSteps = 1200;
constexpr std::uint64_t kCopyGapWindowSteps = 4800;

// The sweep: N/340000 blocks per step (N/17000 a second) in 1 MiB writes,
// through the free space and round again, starting at one of its extents.
constexpr std::uint64_t kSweepSpeedDivisor = 340'000;

// The driver's own work and the odd failure.
constexpr std::uint64_t kCbtFlushEverySteps = 20;
constexpr std::uint64_t kFailedWriteOneIn = 2000;
constexpr std::uint64_t kTrimOneIn = 600;
constexpr std::uint64_t kMaxTrimClusters = 256;
constexpr std::uint64_t kMicrosecondsPerWrite = 2;
constexpr std::uint64_t kBlocksPerExtraMicrosecond = 4;
constexpr std::uint64_t kMaxLogFileRestarts = 3;

constexpr std::uint64_t kNewSessionFillPercent = 60;

constexpr std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor)
{
    return value / divisor + (value % divisor != 0 ? 1 : 0);
}

// The longest copy on a volume of blockCount blocks, and so the size of each
// backup file.
constexpr std::uint64_t LongestCopy(std::uint64_t blockCount)
{
    return std::max<std::uint64_t>(1, 2 * (blockCount / kCopyLengthDivisor));
}

std::uint32_t ToU32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(std::min(value, kMaxU32));
}

std::uint64_t Overlap(BlockRange a, BlockRange b)
{
    const std::uint64_t first = std::max(a.first, b.first);
    const std::uint64_t end = std::min(a.End(), b.End());
    return end > first ? end - first : 0;
}

} // namespace

TrackingGeometry LiveGeometry(std::uint64_t volumeBytes, std::uint32_t bytesPerBlock)
{
    std::uint32_t sectorsPerCluster = kSectorsPerCluster;
    while (sectorsPerCluster < kMaxSectorsPerCluster &&
           volumeBytes / (std::uint64_t{kBytesPerSector} * sectorsPerCluster) > kMaxU32)
        sectorsPerCluster *= 2;
    const std::uint64_t bytesPerCluster = std::uint64_t{kBytesPerSector} * sectorsPerCluster;

    std::uint32_t blockBytes = bytesPerBlock == 0 ? kDefaultBytesPerBlock : bytesPerBlock;
    while (blockBytes <= kMaxU32 / 2 && CeilDiv(volumeBytes, blockBytes) > kMaxU32)
        blockBytes *= 2;
    const std::uint64_t blockCount = std::min(CeilDiv(volumeBytes, blockBytes), kMaxU32);

    // $CBT holds the persisted bitmap and starts on a block boundary just past
    // the MFT zone, where a file created after formatting usually lands.
    const std::uint64_t totalClusters = volumeBytes / bytesPerCluster;
    const std::uint64_t cbtClusters = std::max<std::uint64_t>(1, CeilDiv(SessionBitmapLength(ToU32(blockCount)), bytesPerCluster));
    const std::uint64_t clustersPerBlock = std::max<std::uint64_t>(1, blockBytes / bytesPerCluster);
    std::uint64_t cbtFirst = CeilDiv(totalClusters / kMftZoneDivisor, clustersPerBlock) * clustersPerBlock;
    if (cbtFirst + cbtClusters > totalClusters)
        cbtFirst = totalClusters > cbtClusters ? totalClusters - cbtClusters : 0;

    TrackingGeometry geometry;
    geometry.clusterFactor1 = kBytesPerSector;
    geometry.clusterFactor2 = sectorsPerCluster;
    geometry.blockCount = ToU32(blockCount);
    geometry.bytesPerBlock = blockBytes;
    geometry.cbtFirstLcn = ToU32(cbtFirst);
    geometry.cbtLastLcn = ToU32(cbtFirst + cbtClusters - 1);
    return geometry;
}

BlockRange CbtBlocks(const TrackingGeometry& geometry)
{
    if (geometry.bytesPerBlock == 0)
        return {};
    const std::uint64_t bytesPerCluster = std::uint64_t{geometry.clusterFactor1} * geometry.clusterFactor2;
    const std::uint64_t first = geometry.cbtFirstLcn * bytesPerCluster / geometry.bytesPerBlock;
    const std::uint64_t last = geometry.cbtLastLcn * bytesPerCluster / geometry.bytesPerBlock;
    if (last < first)
        return {};
    return {first, last - first + 1};
}

WriteWorkload::WriteWorkload(const WorkloadConfig& config)
    : config_(config),
      geometry_(LiveGeometry(config.volumeBytes, config.bytesPerBlock)),
      random_(config.seed)
{
    const std::uint64_t blockCount = geometry_.blockCount;
    bytesPerCluster_ = geometry_.clusterFactor1 * geometry_.clusterFactor2;
    layout_.cbt = CbtBlocks(geometry_);
    layout_.hot = PlaceBetween(blockCount / 4, blockCount / 2, std::max(kMinRegionBlocks, blockCount / kHotRegionDivisor));
    layout_.log = PlaceBetween(blockCount / 2, blockCount * 3 / 4, std::max(kMinRegionBlocks, blockCount / kLogRegionDivisor));
    layout_.copyTargets = PlaceCopyTargets();
    trackableBlocks_ = blockCount - Overlap(layout_.cbt, {0, blockCount});
    logAppendBytes_ = std::max(kLogAppendBytes, layout_.log.count * geometry_.bytesPerBlock / kStepsPerLogRound);

    bitmap_.assign(static_cast<std::size_t>(SessionBitmapLength(geometry_.blockCount)), 0);
    scatteredMillionthsPerStep_ = std::max(kMinScatteredMillionthsPerStep,
                                           blockCount * kMillion / (kScatteredVolumeDivisorPerHour * kStepsPerHour));
    nextCopyStep_ = kFirstCopyAfterSteps + random_.Below(kFirstCopyWindowSteps);

    logFileRestarts_ = static_cast<std::uint32_t>(1 + random_.Below(kMaxLogFileRestarts));
    info_ = FreshSessionInfo(config_.sessionStartFileTime);

    freeSpace_ = FreeSpace();
    sweepExtent_ = freeSpace_.empty() ? 0 : static_cast<std::size_t>(random_.Below(freeSpace_.size()));
}

// The counters of a session that has just begun: all zero but the volume's
// fixed facts and the start time.
TrackingInfo WriteWorkload::FreshSessionInfo(std::uint64_t startFileTime) const
{
    TrackingInfo info;
    info.clusterFactor1 = geometry_.clusterFactor1;
    info.clusterFactor2 = geometry_.clusterFactor2;
    info.bytesPerBlock = geometry_.bytesPerBlock;
    info.cbtFirstLcn = geometry_.cbtFirstLcn;
    info.cbtLastLcn = geometry_.cbtLastLcn;
    info.logFileRestartCount = logFileRestarts_;
    info.sessionStartFileTime = startFileTime;
    return info;
}

// A region of `length` blocks starting somewhere in [low, high), moved back
// when it would run past the end of the volume.
BlockRange WriteWorkload::PlaceBetween(std::uint64_t low, std::uint64_t high, std::uint64_t length)
{
    const std::uint64_t blockCount = geometry_.blockCount;
    length = std::min(length, blockCount);
    std::uint64_t first = low + random_.Below(std::max<std::uint64_t>(1, high - low));
    if (first + length > blockCount)
        first = blockCount - length;
    return {first, length};
}

// Side by side, as a backup job's files are when it created them together.
// Small volumes get fewer (at least one), each at most the whole volume.
std::vector<BlockRange> WriteWorkload::PlaceCopyTargets()
{
    const std::uint64_t blockCount = geometry_.blockCount;
    if (blockCount == 0)
        return {};
    const std::uint64_t each = std::min(LongestCopy(blockCount), blockCount);
    const std::uint64_t count = std::clamp<std::uint64_t>(blockCount / each, 1, kCopyTargets);
    const std::uint64_t low = blockCount * 3 / 4 + blockCount / kCopyAreaClearanceDivisor;
    const std::uint64_t high = std::max(low + 1, blockCount - blockCount / kCopyAreaTailDivisor);
    const BlockRange area = PlaceBetween(low, high, count * each);
    std::vector<BlockRange> targets;
    for (std::uint64_t i = 0; i < count; ++i)
        targets.push_back({area.first + i * each, each});
    return targets;
}

void WriteWorkload::AdvanceTo(std::chrono::nanoseconds elapsed)
{
    if (elapsed.count() < 0)
        return;
    const auto target = static_cast<std::uint64_t>(elapsed / kStep);
    while (stepsRun_ < target)
        RunStep();
}

void WriteWorkload::RunStep()
{
    ++stepsRun_;
    if (geometry_.blockCount == 0)
        return;
    std::uint64_t writes = RewriteHotRegion();
    writes += AppendToLog();
    writes += WriteScattered();
    writes += ContinueCopy();
    writes += ContinueSweep();
    if (writes > kInlineWritesPerStep)
        info_.queuedWrites += writes - kInlineWritesPerStep;
    DriverHousekeeping();
    if (MapFilledUp())
        StartNewSession();
}

std::uint64_t WriteWorkload::RewriteHotRegion()
{
    const std::uint64_t writes = random_.Below(kMaxHotWritesPerStep + 1);
    for (std::uint64_t i = 0; i < writes; ++i)
        TrackWrite({layout_.hot.first + random_.Below(layout_.hot.count), 1});
    counts_.hot += writes;
    return writes;
}

// One append per step at the log's byte cursor; at the end of its region the
// log starts over from the beginning.
std::uint64_t WriteWorkload::AppendToLog()
{
    const std::uint64_t blockBytes = geometry_.bytesPerBlock;
    const std::uint64_t first = logOffset_ / blockBytes;
    const std::uint64_t last = std::min((logOffset_ + logAppendBytes_ - 1) / blockBytes, layout_.log.count - 1);
    TrackWrite({layout_.log.first + first, last - first + 1});
    logOffset_ += logAppendBytes_;
    if (logOffset_ >= layout_.log.count * blockBytes)
        logOffset_ = 0;
    ++counts_.log;
    return 1;
}

// Small writes anywhere through the cache manager (hence paged), at a rate
// kept in millionths of a write so that small volumes get their fraction.
std::uint64_t WriteWorkload::WriteScattered()
{
    scatteredCarry_ += scatteredMillionthsPerStep_;
    const std::uint64_t writes = scatteredCarry_ / kMillion;
    scatteredCarry_ %= kMillion;
    for (std::uint64_t i = 0; i < writes; ++i)
        TrackWrite({random_.Below(geometry_.blockCount), 1});
    info_.pagedWrites += writes;
    counts_.scattered += writes;
    return writes;
}

std::uint64_t WriteWorkload::ContinueCopy()
{
    if (!copy_ && stepsRun_ >= nextCopyStep_)
        StartCopy();
    if (!copy_)
        return 0;

    const std::uint64_t speed = std::max<std::uint64_t>(1, geometry_.blockCount / kCopySpeedDivisor);
    const std::uint64_t blocksPerWrite = std::max<std::uint64_t>(1, kCopyWriteBytes / geometry_.bytesPerBlock);
    const std::uint64_t blocksNow = std::min(speed, copy_->range.count - copy_->written);
    std::uint64_t writes = 0;
    for (std::uint64_t done = 0; done < blocksNow; done += blocksPerWrite, ++writes) {
        const std::uint64_t length = std::min(blocksPerWrite, blocksNow - done);
        TrackWrite({copy_->range.first + copy_->written + done, length});
    }
    copy_->written += blocksNow;
    info_.pagedWrites += writes;
    counts_.copy += writes;
    lastCopy_ = BlockRange{copy_->range.first, copy_->written};

    if (copy_->written == copy_->range.count) {
        copy_.reset();
        nextCopyStep_ = stepsRun_ + kCopyGapSteps + random_.Below(kCopyGapWindowSteps);
    }
    return writes;
}

// The next backup file in turn is rewritten from its start.
void WriteWorkload::StartCopy()
{
    const BlockRange& target = layout_.copyTargets[copiesStarted_++ % layout_.copyTargets.size()];
    const std::uint64_t shortest = geometry_.blockCount / kCopyLengthDivisor;
    const std::uint64_t length = std::clamp<std::uint64_t>(shortest + random_.Below(shortest + 1), 1, target.count);
    copy_ = Copy{{target.first, length}, 0};
}

// The blocks no other work writes to, in ascending extents, none empty.
std::vector<BlockRange> WriteWorkload::FreeSpace() const
{
    std::vector<BlockRange> taken{layout_.hot, layout_.log, layout_.cbt};
    taken.insert(taken.end(), layout_.copyTargets.begin(), layout_.copyTargets.end());
    std::ranges::sort(taken, {}, &BlockRange::first);
    std::vector<BlockRange> free;
    std::uint64_t next = 0;
    for (const BlockRange& range : taken) {
        if (range.first > next)
            free.push_back({next, std::min<std::uint64_t>(range.first, geometry_.blockCount) - next});
        next = std::max(next, range.End());
        if (next >= geometry_.blockCount)
            return free;
    }
    free.push_back({next, geometry_.blockCount - next});
    return free;
}

// The sweep's blocks of this step, in writes that stop at the end of a free
// extent; past the last extent it starts over at the first.
std::uint64_t WriteWorkload::ContinueSweep()
{
    if (freeSpace_.empty())
        return 0;
    const std::uint64_t blocksPerWrite = std::max<std::uint64_t>(1, kCopyWriteBytes / geometry_.bytesPerBlock);
    std::uint64_t left = std::max<std::uint64_t>(1, geometry_.blockCount / kSweepSpeedDivisor);
    std::uint64_t writes = 0;
    for (; left > 0; ++writes) {
        const BlockRange extent = freeSpace_[sweepExtent_];
        const std::uint64_t length = std::min({left, blocksPerWrite, extent.count - sweepOffset_});
        TrackWrite({extent.first + sweepOffset_, length});
        left -= length;
        sweepOffset_ += length;
        if (sweepOffset_ == extent.count) {
            sweepOffset_ = 0;
            sweepExtent_ = (sweepExtent_ + 1) % freeSpace_.size();
        }
    }
    counts_.sweep += writes;
    return writes;
}

// Work of the driver itself: it saves the bitmap into $CBT every second (its
// own writes are excluded from tracking), the disk now and then fails a write,
// and the file system trims freed clusters.
void WriteWorkload::DriverHousekeeping()
{
    if (stepsRun_ % kCbtFlushEverySteps == 0) {
        ++info_.writesSeen;
        ++info_.writesConsidered;
        ++info_.excludedWrites;
        info_.trackingMicroseconds += 1;
    }
    if (random_.OneIn(kFailedWriteOneIn)) {
        ++info_.writesSeen;
        ++info_.failedWrites;
    }
    if (random_.OneIn(kTrimOneIn))
        info_.trimBytes += (1 + random_.Below(kMaxTrimClusters)) * bytesPerCluster_;
}

void WriteWorkload::TrackWrite(BlockRange blocks)
{
    ++info_.writesSeen;
    ++info_.writesConsidered;
    info_.trackingMicroseconds += kMicrosecondsPerWrite + blocks.count / kBlocksPerExtraMicrosecond;
    MarkChanged(blocks);
}

// Sets the bits of the blocks written. Blocks past N do not exist, and the
// blocks of $CBT only ever receive the driver's own, excluded writes.
void WriteWorkload::MarkChanged(BlockRange blocks)
{
    const std::uint64_t end = std::min<std::uint64_t>(blocks.End(), geometry_.blockCount);
    for (std::uint64_t block = blocks.first; block < end; ++block) {
        if (layout_.cbt.Contains(block))
            continue;
        std::uint8_t& byte = bitmap_[static_cast<std::size_t>(block / 8)];
        const auto bit = static_cast<std::uint8_t>(1u << (block % 8));
        if ((byte & bit) == 0) {
            byte = static_cast<std::uint8_t>(byte | bit);
            ++info_.changedBlocks;
        }
    }
    info_.changedBytes = info_.changedBlocks * geometry_.bytesPerBlock;
}

bool WriteWorkload::MapFilledUp() const
{
    return trackableBlocks_ > 0 && info_.changedBlocks * 100 >= trackableBlocks_ * kNewSessionFillPercent;
}

// Counters and bitmap start again from zero, as the driver does when a backup
// has consumed the session. A copy still running carries on in the new session.
void WriteWorkload::StartNewSession()
{
    std::fill(bitmap_.begin(), bitmap_.end(), std::uint8_t{0});
    const auto ticksPerStep = static_cast<std::uint64_t>(std::chrono::duration_cast<FileTimeTicks>(kStep).count());
    info_ = FreshSessionInfo(config_.sessionStartFileTime + stepsRun_ * ticksPerStep);
    counts_ = {};
    lastCopy_.reset();
    if (copy_)
        copy_ = Copy{{copy_->range.first + copy_->written, copy_->range.count - copy_->written}, 0};
    ++sessionsStarted_;
}

} // namespace trackkit
