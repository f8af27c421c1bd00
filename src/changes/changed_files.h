#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tracking/cluster_lookup.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

// Which files own the blocks a tracking session saw change: every cluster of
// every changed block is put to the file system's cluster lookup, many
// clusters per request, and what each stream owns is added up.

// Clusters asked about in one request: 512 KiB of request. The file system
// walks its whole file table for every request, so fewer, larger requests
// cost far less than many small ones. The reply starts with room for about
// 128 bytes per cluster, a path of some fifty characters each, so that it
// seldom has to be asked for again with a larger buffer.
inline constexpr std::size_t kClustersPerRequest = 65536;
inline constexpr std::size_t kReplyBytesPerCluster = 128;

struct ChangedFilesGeometry {
    std::uint32_t blockCount = 0;       // N
    std::uint32_t bytesPerBlock = 0;
    std::uint32_t bytesPerCluster = 0;  // 0: unknown
};

// One stream that owns clusters of changed blocks.
struct ChangedFile {
    std::wstring path;   // from the volume's root, with stream and attribute type
    std::uint32_t flags = 0;  // the lookup entry's flags
    std::uint64_t changedBytes = 0;  // of its clusters, the bytes inside changed blocks
    std::vector<std::uint32_t> blocks;  // the changed blocks it has clusters in, ascending

    std::uint64_t ChangedBlocks() const { return blocks.size(); }
};

enum class ChangedFilesEnd : std::uint8_t {
    Complete,
    Cancelled,
    NoBitmap,       // nothing to look up: the driver gave no session bitmap
    NoClusterSize,  // blocks cannot be turned into clusters
    Refused,        // the first request failed: the file system does not answer
    Stopped,        // a later request failed: the volume went away, or the file system gave up
};

struct ChangedFilesReport {
    std::vector<ChangedFile> files;   // the streams of files (not the file system's own), largest first
    std::uint64_t changedBlocks = 0;  // set in the bitmap, below N
    std::uint64_t blocksDone = 0;     // of those, the ones the file system has answered for
    std::uint64_t answeredBytes = 0;  // blocksDone x bytes per block
    std::uint64_t fileBytes = 0;      // of those, the bytes in clusters some file owns, each counted once
    std::uint32_t requests = 0;       // answered by the file system
    std::uint32_t malformedReplies = 0;
    ChangedFilesEnd end = ChangedFilesEnd::Complete;
    std::uint32_t error = 0;  // the system error that ended a Refused or Stopped run
};

// Told how many changed blocks are answered for, of all of them, before the
// first request and after each; false stops the run (Cancelled).
using ChangedFilesProgress = std::function<bool(std::uint64_t blocksDone, std::uint64_t blocksTotal)>;

struct ChangedFilesLimits {
    std::size_t clustersPerRequest = kClustersPerRequest;
    LookupReplyLimits reply{kClustersPerRequest * kReplyBytesPerCluster, kLookupReplyLengthCeiling};
};

// Looks up the owners of the clusters of every block set in the bitmap (block
// i in bit i mod 8 of byte i / 8; blocks at or past N are left out).
//
// A cluster's bytes inside a changed block count for each stream that owns
// it; a block counts for each stream that owns any of its clusters. Streams
// flagged as the file system's own or TxF's are metadata: they are not
// listed, and their bytes count with free space.
//
// A request the file system cannot take whole (its reply would outgrow the
// ceiling, or it calls the request invalid) is split in two until it can; a
// single cluster it cannot take is counted as owned by no file. Any other
// failure ends the run with what was found before it. A reply that is not
// sound (an offset out of bounds, a name without a terminator, a cluster
// that was not asked about) counts as malformed; its sound entries are kept.
ChangedFilesReport FindChangedFiles(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                    std::span<const std::uint8_t> bitmap, const ChangedFilesProgress& progress,
                                    const ChangedFilesLimits& limits = {});

// NoBitmap or NoClusterSize when the bitmap and geometry give nothing to look
// up, Complete when they do.
ChangedFilesEnd CheckLookupInputs(const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap);

// The blocks set in the bitmap below N.
std::uint64_t CountChangedBlocks(std::span<const std::uint8_t> bitmap, std::uint32_t blockCount);

} // namespace trackkit
