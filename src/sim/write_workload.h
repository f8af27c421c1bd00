#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/sim_random.h"
#include "tracking/driver_contract.h"

namespace trackkit {

inline constexpr std::uint32_t kDefaultBytesPerBlock = 64 * 1024;

// Consecutive blocks [first, first + count).
struct BlockRange {
    std::uint64_t first = 0;
    std::uint64_t count = 0;

    std::uint64_t End() const { return first + count; }
    bool Contains(std::uint64_t block) const { return block >= first && block < End(); }
};

struct WorkloadConfig {
    std::uint64_t volumeBytes = 0;
    // 0 takes the default. Doubled as often as needed to keep N within 32 bits.
    std::uint32_t bytesPerBlock = kDefaultBytesPerBlock;
    std::uint64_t seed = 1;
    // Wall-clock time at which the first session starts (FILETIME, UTC).
    std::uint64_t sessionStartFileTime = 0;
    // How long the session has already run when the simulation is created, so
    // that a demo opens on a volume with a history rather than an empty map.
    std::chrono::seconds history{0};
};

// Where the busy server keeps its files. Fixed for the volume's life: a new
// tracking session does not move files.
struct WorkloadLayout {
    BlockRange hot;  // a database file, rewritten in place again and again
    BlockRange log;  // a circular log, appended to block by block
    BlockRange cbt;  // the driver's own $CBT file; its writes are excluded
    // A rotating set of backup files, each large enough for the longest copy.
    // The large copies take them in turn and rewrite each from its start.
    std::vector<BlockRange> copyTargets;
};

// Tracked writes of the current session, by the kind of work that made them.
struct WriteCounts {
    std::uint64_t hot = 0;
    std::uint64_t log = 0;
    std::uint64_t scattered = 0;
    std::uint64_t copy = 0;
    std::uint64_t sweep = 0;

    std::uint64_t Total() const { return hot + log + scattered + copy + sweep; }
};

// The geometry a live volume reports: 512-byte sectors, 8 sectors per cluster
// (more on volumes too large for 32-bit cluster numbers), N = ceil(size /
// bytes per block), and $CBT just past the MFT zone's eighth of the volume,
// large enough to hold the bitmap.
TrackingGeometry LiveGeometry(std::uint64_t volumeBytes, std::uint32_t bytesPerBlock);

// The blocks that hold $CBT, converted from its clusters the way the poller does.
BlockRange CbtBlocks(const TrackingGeometry& geometry);

// A mixed write workload on one volume, advanced in fixed steps of simulated
// time, and the tracking session that records it: the session bitmap and the
// driver's counters, which always agree with each other.
//
// The state is a function of the seed and of the number of whole steps run,
// so advancing by ten seconds at once or in forty slices gives the same bitmap.
//
// Rates are shares of the volume, so that the block map moves alike on any
// volume. The hot region fills its cells within minutes of a session's start,
// scattered writes soon leave a few blocks in every cell, and the log and the
// backup files are rewritten in place; after that, only fresh blocks change a
// cell's shade. The sweep provides them: a long sequential job (a restore, a
// replica catching up) writes the free space front to back at N/17000 blocks
// a second (15 MB/s on a 256 GB volume, 125 MB/s on 2 TB: the whole volume in
// about the length of a night's backup window), so that a map of some thousands
// of cells shades another quarter of a cell every second or so.
// Once 60% of the trackable blocks have changed, a few hours in, a new session
// begins (as after a backup): the bitmap and the counters start from zero and
// the session start time moves to that moment.
class WriteWorkload {
public:
    static constexpr std::chrono::milliseconds kStep{50};
    static constexpr std::uint64_t kLogAppendBytes = 16 * 1024;  // one append per step, at the least

    explicit WriteWorkload(const WorkloadConfig& config);

    // Runs every whole step that has ended by `elapsed` since the workload
    // began. Time never runs backwards: an earlier elapsed does nothing.
    void AdvanceTo(std::chrono::nanoseconds elapsed);

    const TrackingGeometry& Geometry() const { return geometry_; }
    const TrackingInfo& Statistics() const { return info_; }
    // (N + 7) / 8 bytes; bits at and past N are never set.
    std::span<const std::uint8_t> Bitmap() const { return bitmap_; }
    const WorkloadConfig& Config() const { return config_; }
    const WorkloadLayout& Layout() const { return layout_; }
    const WriteCounts& Counts() const { return counts_; }
    // The most recent large copy, as far as it has been written.
    std::optional<BlockRange> LastCopy() const { return lastCopy_; }
    std::uint64_t StepsRun() const { return stepsRun_; }
    // 1 for the first session, plus one for each new session since.
    std::uint64_t SessionsStarted() const { return sessionsStarted_; }

private:
    struct Copy {
        BlockRange range;
        std::uint64_t written = 0;
    };

    BlockRange PlaceBetween(std::uint64_t low, std::uint64_t high, std::uint64_t length);
    std::vector<BlockRange> PlaceCopyTargets();
    void RunStep();
    // Each returns the number of writes it made.
    std::uint64_t RewriteHotRegion();
    std::uint64_t AppendToLog();
    std::uint64_t WriteScattered();
    std::uint64_t ContinueCopy();
    void StartCopy();
    std::uint64_t ContinueSweep();
    std::vector<BlockRange> FreeSpace() const;
    void DriverHousekeeping();
    void TrackWrite(BlockRange blocks);
    void MarkChanged(BlockRange blocks);
    bool MapFilledUp() const;
    TrackingInfo FreshSessionInfo(std::uint64_t startFileTime) const;
    void StartNewSession();

    WorkloadConfig config_;
    TrackingGeometry geometry_;
    std::uint32_t bytesPerCluster_ = 0;
    WorkloadLayout layout_;
    std::uint64_t trackableBlocks_ = 0;
    std::uint32_t logFileRestarts_ = 0;
    SimRandom random_;

    std::vector<std::uint8_t> bitmap_;
    TrackingInfo info_;
    WriteCounts counts_;
    std::uint64_t stepsRun_ = 0;
    std::uint64_t sessionsStarted_ = 1;

    std::uint64_t logOffset_ = 0;  // bytes into the log region
    std::uint64_t logAppendBytes_ = kLogAppendBytes;
    std::uint64_t scatteredMillionthsPerStep_ = 0;
    std::uint64_t scatteredCarry_ = 0;
    std::optional<Copy> copy_;
    std::optional<BlockRange> lastCopy_;
    std::uint64_t nextCopyStep_ = 0;
    std::uint64_t copiesStarted_ = 0;
    // The sweep's cursor: a block of one extent of the free space.
    std::vector<BlockRange> freeSpace_;
    std::size_t sweepExtent_ = 0;
    std::uint64_t sweepOffset_ = 0;
};

} // namespace trackkit
