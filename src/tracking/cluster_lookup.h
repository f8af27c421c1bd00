#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error_codes.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

// Which files own the clusters under one cell of the block map, asked of the
// file system with the published LOOKUP_STREAM_FROM_CLUSTER records on the
// volume the poller keeps open.

// The reply buffer starts at 1 MiB and doubles while the file system asks for
// more. It stops at 64 MiB: a cell's clusters that name more streams than
// that holds are better reported as too many to list than allowed to take
// the machine's memory.
inline constexpr std::size_t kLookupReplyFirstLength = 0x100000;
inline constexpr std::size_t kLookupReplyLengthCeiling = 64 * kLookupReplyFirstLength;

inline constexpr std::wstring_view kNoUserFilesText = L"There are no user files in the selected cluster range.";
inline constexpr std::wstring_view kTooManyFilesText =
    L"This cell covers too many files to list.\r\n\r\n"
    L"Choose a smaller block size (View > Block Size > Small or Smallest) so that each cell covers fewer blocks, "
    L"then click the cell again.";
inline constexpr std::wstring_view kLookupNoticeCaption = L"Quillon Zezudo Zozor";

// Byte layout of the published records, little-endian, as the file system
// writes them on x86 and x64 alike.
//   LOOKUP_STREAM_FROM_CLUSTER_INPUT:  Flags u32, NumberOfClusters u32, Cluster u64[]
//   LOOKUP_STREAM_FROM_CLUSTER_OUTPUT: Offset u32, NumberOfMatches u32, BufferSizeRequired u32
//   LOOKUP_STREAM_FROM_CLUSTER_ENTRY:  OffsetToNext u32, Flags u32, Reserved u64, Cluster u64,
//                                      FileName UTF-16, NUL-terminated
inline constexpr std::size_t kLookupRequestHeaderLength = 8;
inline constexpr std::size_t kLookupReplyHeaderLength = 12;
inline constexpr std::size_t kLookupEntryNextOffset = 0;
inline constexpr std::size_t kLookupEntryFlagsOffset = 4;
inline constexpr std::size_t kLookupEntryClusterOffset = 16;
inline constexpr std::size_t kLookupEntryNameOffset = 24;

// Entry flags, as published.
inline constexpr std::uint32_t kLookupFlagPageFile = 0x1;
inline constexpr std::uint32_t kLookupFlagDenyDefrag = 0x2;
inline constexpr std::uint32_t kLookupFlagFsSystemFile = 0x4;
inline constexpr std::uint32_t kLookupFlagTxfSystemFile = 0x8;
inline constexpr std::uint32_t kLookupAttributeMask = 0xFF000000;
inline constexpr std::uint32_t kLookupAttributeData = 0x01000000;
inline constexpr std::uint32_t kLookupAttributeIndex = 0x02000000;
inline constexpr std::uint32_t kLookupAttributeSystem = 0x03000000;

// The clicked cell and the volume it shows.
struct ClusterLookupCell {
    std::uint64_t firstBlock = 0;
    std::uint32_t blocksPerCell = 0;
    std::uint32_t blockCount = 0;  // N
    std::uint32_t bytesPerBlock = 0;
    std::uint32_t bytesPerCluster = 0;  // 0: unknown, nothing can be asked
};

// The first cluster of each block of the cell, in block order; blocks that
// share a cluster (blocks smaller than clusters) give it once. Blocks at or
// past N are not asked about, so the last cell of a packed map asks for fewer
// clusters; a cell that starts at or past N asks for none. Nothing either
// when the cluster size is unknown.
std::vector<std::uint64_t> ClustersOfCell(const ClusterLookupCell& cell);

// LOOKUP_STREAM_FROM_CLUSTER_INPUT for the clusters: 8 + 8 x count bytes.
std::vector<std::uint8_t> EncodeLookupRequest(std::span<const std::uint64_t> clusters);
// The same into a buffer that is kept from request to request: a fresh one of
// half a megabyte each time is memory the system must map and clear again.
void EncodeLookupRequest(std::span<const std::uint64_t> clusters, std::vector<std::uint8_t>& request);

// One stream that owns a cluster.
struct ClusterLookupEntry {
    std::uint64_t cluster = 0;
    std::uint32_t flags = 0;
    std::wstring fileName;

    bool operator==(const ClusterLookupEntry&) const = default;
};

// The entries of a reply, in the order the file system chained them. Only
// the bytes it returned are read: the walk ends at the entry whose
// OffsetToNext is 0, and also, without listing anything more, where an offset
// points into the header, outside the bytes, or would wrap backwards. A
// FileName with no terminator inside the bytes is cut at their end.
std::vector<ClusterLookupEntry> DecodeLookupReply(std::span<const std::uint8_t> reply);

// What a reply held that cannot be sound: an offset into the header or past
// the bytes, an entry that overlaps the one before, a name without its
// terminator.
enum class LookupReplyFault : std::uint8_t { None, OffsetOutOfBounds, NameUnterminated };

struct LookupReplyWalk {
    std::vector<ClusterLookupEntry> entries;  // the entries read whole, in chain order
    LookupReplyFault fault = LookupReplyFault::None;
};

// The walk above, for callers that must not take a cut name for a path: the
// entry whose name has no terminator is left out, and the fault says why the
// walk ended early.
LookupReplyWalk WalkLookupReply(std::span<const std::uint8_t> reply);

// An entry as it lies in the reply, its name the UTF-16LE bytes before the
// terminator.
struct LookupEntryView {
    std::uint64_t cluster = 0;
    std::uint32_t flags = 0;
    std::span<const std::uint8_t> nameBytes;
};

// The same walk without a copy of any name, for replies of many thousands
// of entries: visit is called for each entry WalkLookupReply would list.
LookupReplyFault VisitLookupReply(std::span<const std::uint8_t> reply,
                                  const std::function<void(const LookupEntryView&)>& visit);

// A name's UTF-16LE bytes as text.
std::wstring NameOf(std::span<const std::uint8_t> nameBytes);

// The "Flags" column: "PageFile", "DenyDefrag", "FsSys", "TxF", then the
// attribute "Data", "Index" or "System"; later words take a "| " before them.
// "None" when no condition holds. At most 127 characters.
std::wstring FlagWords(std::uint32_t flags);

// Rows ascending by cluster. Streams that share a cluster keep the order in
// which the file system listed them.
void SortByCluster(std::vector<ClusterLookupEntry>& entries);

// "Clusters <smallest> to <largest> (<count>)"; zeros for no entries.
std::wstring LookupTitle(std::span<const ClusterLookupEntry> entries);

enum class LookupOutcome {
    Nothing,  // nothing to ask, or no memory for the reply: nothing is shown
    Listed,   // the dialog lists the entries
    Notice,   // "There are no user files in the selected cluster range."
    TooMany,  // the answer outgrew the reply ceiling: the files exist but are too many to list
};

struct ClusterLookupResult {
    LookupOutcome outcome = LookupOutcome::Nothing;
    std::vector<ClusterLookupEntry> entries;  // sorted, for Listed
    std::wstring title;                       // for Listed
};

struct LookupReplyLimits {
    std::size_t firstLength = kLookupReplyFirstLength;
    std::size_t ceiling = kLookupReplyLengthCeiling;
};

// Sends the request with a zero-filled reply buffer of limits.firstLength
// bytes, doubling it while the file system answers ERROR_MORE_DATA and the
// doubled size stays within the ceiling. A success that names no stream and
// any other error give the notice; a reply that outgrows the ceiling gives
// TooMany.
ClusterLookupResult RunClusterLookup(TrackedVolume& volume, std::span<const std::uint8_t> request,
                                     const LookupReplyLimits& limits = {});

// The whole lookup of one cell: its clusters, the request and the answer.
// Nothing when there is nothing to ask, and nothing either when memory runs
// out anywhere on the way (a tiny pane on a large volume puts millions of
// blocks in one cell): the click is then simply not answered.
ClusterLookupResult LookUpCell(TrackedVolume& volume, const ClusterLookupCell& cell,
                               const LookupReplyLimits& limits = {});

} // namespace trackkit
