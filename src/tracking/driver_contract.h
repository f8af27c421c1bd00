#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace trackkit {

// Control codes are built the way CTL_CODE builds them, so the four codes
// below can be checked against their device type, function and method.
constexpr std::uint32_t ControlCode(std::uint32_t deviceType, std::uint32_t function, std::uint32_t method,
                                    std::uint32_t access)
{
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr std::uint32_t kTrackingDeviceType = 0x8CB7;
inline constexpr std::uint32_t kMethodBuffered = 0;
inline constexpr std::uint32_t kMethodOutDirect = 2;
inline constexpr std::uint32_t kFileAnyAccess = 0;
inline constexpr std::uint32_t kFileReadAccess = 1;

inline constexpr std::uint32_t kIoctlQueryGeometry = ControlCode(kTrackingDeviceType, 0x2F, kMethodOutDirect, kFileAnyAccess);
inline constexpr std::uint32_t kIoctlQueryStatistics = ControlCode(kTrackingDeviceType, 0x37, kMethodOutDirect, kFileAnyAccess);
inline constexpr std::uint32_t kIoctlQuerySessionBitmap = ControlCode(kTrackingDeviceType, 0x30, kMethodOutDirect, kFileReadAccess);
inline constexpr std::uint32_t kIoctlRequestRemoval = ControlCode(kTrackingDeviceType, 0x3C, kMethodBuffered, kFileAnyAccess);

static_assert(kIoctlQueryGeometry == 0x8CB700BE);
static_assert(kIoctlQueryStatistics == 0x8CB700DE);
static_assert(kIoctlQuerySessionBitmap == 0x8CB740C2);
static_assert(kIoctlRequestRemoval == 0x8CB700F0);

// The file system's cluster-to-stream query, sent on the same volume handle.
inline constexpr std::uint32_t kFsctlLookupStreamFromCluster = 0x000901FC;

inline constexpr std::size_t kTrackingGeometryLength = 56;
inline constexpr std::size_t kTrackingInfoLength = 136;
// The last statistics field that is read ends here; bytes after it are unused.
inline constexpr std::size_t kTrackingInfoReadLength = 128;

// The reply to the geometry query. Bytes after offset 24 carry nothing we use.
struct TrackingGeometry {
    std::uint32_t clusterFactor1 = 0;  // factor 1 x factor 2 = bytes per cluster
    std::uint32_t clusterFactor2 = 0;
    std::uint32_t blockCount = 0;      // N, bits in the session bitmap
    std::uint32_t bytesPerBlock = 0;   // 0: the volume has no geometry
    std::uint32_t cbtFirstLcn = 0;     // clusters of the driver's own $CBT file
    std::uint32_t cbtLastLcn = 0;
};

// The reply to the statistics query: counters since the session started.
struct TrackingInfo {
    std::uint32_t clusterFactor1 = 0;
    std::uint32_t clusterFactor2 = 0;
    std::uint32_t bytesPerBlock = 0;
    std::uint32_t cbtFirstLcn = 0;
    std::uint32_t cbtLastLcn = 0;
    std::uint64_t writesSeen = 0;
    std::uint64_t pagedWrites = 0;
    std::uint64_t writesConsidered = 0;  // tracked plus excluded
    std::uint64_t failedWrites = 0;
    std::uint64_t excludedWrites = 0;
    std::uint64_t changedBlocks = 0;
    std::uint64_t changedBytes = 0;
    std::uint64_t sessionStartFileTime = 0;  // UTC, 100 ns since 1601
    std::uint64_t trackingMicroseconds = 0;
    std::uint32_t logFileRestartCount = 0;
    std::uint64_t trimBytes = 0;
    std::uint64_t queuedWrites = 0;
};

// Decoders return nothing when the bytes are too few for the fields they read.
std::optional<TrackingGeometry> DecodeTrackingGeometry(std::span<const std::uint8_t> bytes);
std::optional<TrackingInfo> DecodeTrackingInfo(std::span<const std::uint8_t> bytes);

// Encoders fill a whole record (unused bytes zero); the output must hold at
// least kTrackingGeometryLength or kTrackingInfoLength bytes.
void EncodeTrackingGeometry(const TrackingGeometry& geometry, std::span<std::uint8_t> out);
void EncodeTrackingInfo(const TrackingInfo& info, std::span<std::uint8_t> out);

// Bytes of a session bitmap of bitCount bits as the driver returns it.
constexpr std::uint64_t SessionBitmapLength(std::uint32_t bitCount)
{
    return (static_cast<std::uint64_t>(bitCount) + 7) / 8;
}

} // namespace trackkit
