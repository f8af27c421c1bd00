#include "tracking/driver_contract.h"

#include <algorithm>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

namespace geometry_offset {
constexpr std::size_t kClusterFactor1 = 0;
constexpr std::size_t kClusterFactor2 = 4;
constexpr std::size_t kBlockCount = 8;
constexpr std::size_t kBytesPerBlock = 12;
constexpr std::size_t kCbtFirstLcn = 16;
constexpr std::size_t kCbtLastLcn = 20;
constexpr std::size_t kEndOfReadFields = 24;
} // namespace geometry_offset

namespace info_offset {
constexpr std::size_t kClusterFactor1 = 0;
constexpr std::size_t kClusterFactor2 = 4;
constexpr std::size_t kBytesPerBlock = 12;
constexpr std::size_t kCbtFirstLcn = 16;
constexpr std::size_t kCbtLastLcn = 20;
constexpr std::size_t kWritesSeen = 24;
constexpr std::size_t kPagedWrites = 32;
constexpr std::size_t kWritesConsidered = 40;
constexpr std::size_t kFailedWrites = 48;
constexpr std::size_t kExcludedWrites = 56;
constexpr std::size_t kChangedBlocks = 64;
constexpr std::size_t kChangedBytes = 72;
constexpr std::size_t kSessionStart = 80;
constexpr std::size_t kTrackingMicroseconds = 88;
constexpr std::size_t kLogFileRestartCount = 100;
constexpr std::size_t kTrimBytes = 104;
constexpr std::size_t kQueuedWrites = 120;
} // namespace info_offset

} // namespace

std::optional<TrackingGeometry> DecodeTrackingGeometry(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < geometry_offset::kEndOfReadFields)
        return std::nullopt;
    ByteReader reader(bytes);
    TrackingGeometry geometry;
    geometry.clusterFactor1 = reader.U32At(geometry_offset::kClusterFactor1);
    geometry.clusterFactor2 = reader.U32At(geometry_offset::kClusterFactor2);
    geometry.blockCount = reader.U32At(geometry_offset::kBlockCount);
    geometry.bytesPerBlock = reader.U32At(geometry_offset::kBytesPerBlock);
    geometry.cbtFirstLcn = reader.U32At(geometry_offset::kCbtFirstLcn);
    geometry.cbtLastLcn = reader.U32At(geometry_offset::kCbtLastLcn);
    return geometry;
}

std::optional<TrackingInfo> DecodeTrackingInfo(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kTrackingInfoReadLength)
        return std::nullopt;
    ByteReader reader(bytes);
    TrackingInfo info;
    info.clusterFactor1 = reader.U32At(info_offset::kClusterFactor1);
    info.clusterFactor2 = reader.U32At(info_offset::kClusterFactor2);
    info.bytesPerBlock = reader.U32At(info_offset::kBytesPerBlock);
    info.cbtFirstLcn = reader.U32At(info_offset::kCbtFirstLcn);
    info.cbtLastLcn = reader.U32At(info_offset::kCbtLastLcn);
    info.writesSeen = reader.U64At(info_offset::kWritesSeen);
    info.pagedWrites = reader.U64At(info_offset::kPagedWrites);
    info.writesConsidered = reader.U64At(info_offset::kWritesConsidered);
    info.failedWrites = reader.U64At(info_offset::kFailedWrites);
    info.excludedWrites = reader.U64At(info_offset::kExcludedWrites);
    info.changedBlocks = reader.U64At(info_offset::kChangedBlocks);
    info.changedBytes = reader.U64At(info_offset::kChangedBytes);
    info.sessionStartFileTime = reader.U64At(info_offset::kSessionStart);
    info.trackingMicroseconds = reader.U64At(info_offset::kTrackingMicroseconds);
    info.logFileRestartCount = reader.U32At(info_offset::kLogFileRestartCount);
    info.trimBytes = reader.U64At(info_offset::kTrimBytes);
    info.queuedWrites = reader.U64At(info_offset::kQueuedWrites);
    return info;
}

void EncodeTrackingGeometry(const TrackingGeometry& geometry, std::span<std::uint8_t> out)
{
    const auto record = out.first(std::min(out.size(), kTrackingGeometryLength));
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    ByteWriter writer(record);
    writer.U32At(geometry_offset::kClusterFactor1, geometry.clusterFactor1);
    writer.U32At(geometry_offset::kClusterFactor2, geometry.clusterFactor2);
    writer.U32At(geometry_offset::kBlockCount, geometry.blockCount);
    writer.U32At(geometry_offset::kBytesPerBlock, geometry.bytesPerBlock);
    writer.U32At(geometry_offset::kCbtFirstLcn, geometry.cbtFirstLcn);
    writer.U32At(geometry_offset::kCbtLastLcn, geometry.cbtLastLcn);
}

void EncodeTrackingInfo(const TrackingInfo& info, std::span<std::uint8_t> out)
{
    const auto record = out.first(std::min(out.size(), kTrackingInfoLength));
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    ByteWriter writer(record);
    writer.U32At(info_offset::kClusterFactor1, info.clusterFactor1);
    writer.U32At(info_offset::kClusterFactor2, info.clusterFactor2);
    writer.U32At(info_offset::kBytesPerBlock, info.bytesPerBlock);
    writer.U32At(info_offset::kCbtFirstLcn, info.cbtFirstLcn);
    writer.U32At(info_offset::kCbtLastLcn, info.cbtLastLcn);
    writer.U64At(info_offset::kWritesSeen, info.writesSeen);
    writer.U64At(info_offset::kPagedWrites, info.pagedWrites);
    writer.U64At(info_offset::kWritesConsidered, info.writesConsidered);
    writer.U64At(info_offset::kFailedWrites, info.failedWrites);
    writer.U64At(info_offset::kExcludedWrites, info.excludedWrites);
    writer.U64At(info_offset::kChangedBlocks, info.changedBlocks);
    writer.U64At(info_offset::kChangedBytes, info.changedBytes);
    writer.U64At(info_offset::kSessionStart, info.sessionStartFileTime);
    writer.U64At(info_offset::kTrackingMicroseconds, info.trackingMicroseconds);
    writer.U32At(info_offset::kLogFileRestartCount, info.logFileRestartCount);
    writer.U64At(info_offset::kTrimBytes, info.trimBytes);
    writer.U64At(info_offset::kQueuedWrites, info.queuedWrites);
}

} // namespace trackkit
