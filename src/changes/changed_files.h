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
// A request the file system calls invalid is split in halves to find the
// clusters it cannot take; after this many such answers with none answered
// between them, the rest of the batch is left unanswered instead (a file
// system that refuses every request would otherwise be asked about every
// cluster on its own, each request a walk of its file table).
inline constexpr std::uint32_t kMostRefusalsInARow = 64;

struct ChangedFilesGeometry {
    std::uint32_t blockCount = 0;       // N
    std::uint32_t bytesPerBlock = 0;
    std::uint32_t bytesPerCluster = 0;  // 0: unknown
    std::uint64_t volumeBytes = 0;      // the file system's size; 0: unknown, the last block is taken whole
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
    NoDriver,       // the tracking driver does not answer for the volume
    NoBitmap,       // nothing to look up: the driver gave no session bitmap
    NoClusterSize,  // blocks cannot be turned into clusters
    Refused,        // the first request failed, or none was ever answered: the file system does not answer
    Stopped,        // a later request failed (the volume went away, the file system gave up), or memory ran out
};

// How a run found the owners of the changed clusters.
enum class ChangedFilesWay : std::uint8_t {
    ClusterLookup,  // the file system's cluster lookup, request by request
    FileTable,      // the volume's file table, read in one pass
};

struct ChangedFilesReport {
    std::vector<ChangedFile> files;   // the streams of files (not the file system's own), largest first
    std::uint64_t changedBlocks = 0;  // set in the bitmap, below N
    std::uint64_t blocksDone = 0;     // of those, the ones the file system has answered for
    std::uint64_t answeredBytes = 0;  // their bytes, the last block's only up to the volume's end
    std::uint64_t fileBytes = 0;      // of those, the bytes in clusters some file owns, each counted once
    std::uint32_t requests = 0;       // answered by the file system
    std::uint32_t malformedReplies = 0;
    std::uint64_t unansweredClusters = 0;  // of the answered blocks, clusters the file system would not take
    ChangedFilesEnd end = ChangedFilesEnd::Complete;
    std::uint32_t error = 0;  // the system error that ended a Refused or Stopped run
    ChangedFilesWay way = ChangedFilesWay::ClusterLookup;
    // FileTable: the records read, and those left out as unsound or unreadable.
    std::uint64_t recordsRead = 0;
    std::uint64_t recordsUnsound = 0;
    std::uint64_t recordsUnreadable = 0;
    // ClusterLookup chosen because the file table could not be read: why
    // (the system's error, or kErrorFileTableNotNtfs); 0 otherwise.
    std::uint32_t fileTableFailure = 0;
    // FileTable chosen because the cluster lookup was refused: its error.
    std::uint32_t lookupFailure = 0;
    std::uint64_t elapsedMilliseconds = 0;  // from the start of the run to its end
};

// fileTableFailure for a volume whose boot sector is not NTFS's.
inline constexpr std::uint32_t kErrorFileTableNotNtfs = 0xFFFFFFFF;

// Told how many changed blocks are answered for, of all of them, before
// every request; false stops the run (Cancelled) before the next request.
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
// single cluster it cannot take, and the clusters left once it has refused
// kMostRefusalsInARow requests in a row, are counted as unanswered and owned
// by no file. A run in which no request was answered at all is Refused. Any
// other failure ends the run with what was found before it, and so does
// memory running out. A reply that is not sound (an offset out of bounds, a
// name without a terminator, a cluster that was not asked about) counts as
// malformed; its sound entries are kept.
ChangedFilesReport FindChangedFiles(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                    std::span<const std::uint8_t> bitmap, const ChangedFilesProgress& progress,
                                    const ChangedFilesLimits& limits = {});

// NoBitmap or NoClusterSize when the bitmap and geometry give nothing to look
// up, Complete when they do.
ChangedFilesEnd CheckLookupInputs(const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap);

// The blocks set in the bitmap below N.
std::uint64_t CountChangedBlocks(std::span<const std::uint8_t> bitmap, std::uint32_t blockCount);

} // namespace trackkit
