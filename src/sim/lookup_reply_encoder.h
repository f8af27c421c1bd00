#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tracking/tracking_driver.h"

#include "tracking/cluster_lookup.h"

namespace trackkit {

// The file system's side of FSCTL_LOOKUP_STREAM_FROM_CLUSTER, for simulated
// volumes: reading the request and writing the reply in the published
// LOOKUP_STREAM_FROM_CLUSTER_* layouts (winioctl.h), little-endian.
//
// Request: Flags (u32, must be 0), NumberOfClusters (u32, at least 1), then
// that many 64-bit cluster numbers; longer requests are accepted and the
// bytes past the last cluster ignored.
//
// Reply: a 12-byte header {Offset, NumberOfMatches, BufferSizeRequired} and,
// from the first 8-byte boundary after it (offset 16), one entry per match:
// {OffsetToNext u32, Flags u32, Reserved u64 = 0, Cluster u64, FileName}, the
// name in UTF-16 with a terminating NUL. Each entry starts on an 8-byte
// boundary; OffsetToNext counts from the entry's own start and is 0 on the
// last. With no match the header alone is the reply and its Offset is 0.

// The published entry flags, by their short names here.
struct OwnerFlags {
    static constexpr std::uint32_t kPageFile = kLookupFlagPageFile;
    static constexpr std::uint32_t kDenyDefrag = kLookupFlagDenyDefrag;
    static constexpr std::uint32_t kFsSystemFile = kLookupFlagFsSystemFile;
    static constexpr std::uint32_t kTxfSystemFile = kLookupFlagTxfSystemFile;
    static constexpr std::uint32_t kData = kLookupAttributeData;
    static constexpr std::uint32_t kIndex = kLookupAttributeIndex;
    static constexpr std::uint32_t kSystem = kLookupAttributeSystem;
};

// One entry of a reply: a stream that owns one of the clusters asked about.
struct ClusterOwner {
    std::uint64_t cluster = 0;
    std::uint32_t flags = 0;
    // From the volume's root, with stream and attribute type. It points into
    // the layout (or the test) that answers, which outlives the reply.
    std::wstring_view fileName;

    bool operator==(const ClusterOwner&) const = default;
};

// The clusters a request asks about, in its order, or nothing when the
// request is malformed (the file system's ERROR_INVALID_PARAMETER): shorter
// than its header, flags other than 0, no cluster, or fewer bytes than its
// count of clusters needs.
std::optional<std::vector<std::uint64_t>> ClustersOfLookupRequest(std::span<const std::uint8_t> request);
// The same into a vector kept from request to request; false when malformed.
bool ClustersOfLookupRequest(std::span<const std::uint8_t> request, std::vector<std::uint64_t>& clusters);

// Bytes of the reply that lists these owners, which the header reports as
// BufferSizeRequired: the last entry ends with its NUL, unpadded.
std::size_t LookupReplyLength(std::span<const ClusterOwner> owners);

// Writes the reply the way the file system answers:
// - when the whole reply fits: success, reporting LookupReplyLength bytes;
//   bytes of `reply` past them are not touched;
// - when it does not but the header does: ERROR_MORE_DATA, with only the
//   header written: Offset 0, the number of matches and BufferSizeRequired;
// - when not even the header fits: ERROR_INSUFFICIENT_BUFFER, nothing written.
DriverReply WriteLookupReply(std::span<const ClusterOwner> owners, std::span<std::uint8_t> reply);

} // namespace trackkit
