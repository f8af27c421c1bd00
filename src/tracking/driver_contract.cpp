#include "tracking/driver_contract.h"

#include <algorithm>
#include <utility>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

// Each record is described once, as its fields' offsets, and both the
// decoder and the encoder walk that description.
template <typename Record>
struct FieldTable {
    std::span<const std::pair<std::size_t, std::uint32_t Record::*>> u32;
    std::span<const std::pair<std::size_t, std::uint64_t Record::*>> u64;
};

constexpr std::pair<std::size_t, std::uint32_t TrackingGeometry::*> kGeometryU32[] = {
    {0, &TrackingGeometry::clusterFactor1}, {4, &TrackingGeometry::clusterFactor2},
    {8, &TrackingGeometry::blockCount},     {12, &TrackingGeometry::bytesPerBlock},
    {16, &TrackingGeometry::cbtFirstLcn},   {20, &TrackingGeometry::cbtLastLcn},
};
constexpr FieldTable<TrackingGeometry> kGeometryFields{kGeometryU32, {}};
constexpr std::size_t kGeometryReadLength = 24;  // bytes after it carry nothing we use

constexpr std::pair<std::size_t, std::uint32_t TrackingInfo::*> kInfoU32[] = {
    {0, &TrackingInfo::clusterFactor1}, {4, &TrackingInfo::clusterFactor2}, {12, &TrackingInfo::bytesPerBlock},
    {16, &TrackingInfo::cbtFirstLcn},   {20, &TrackingInfo::cbtLastLcn},    {100, &TrackingInfo::logFileRestartCount},
};
constexpr std::pair<std::size_t, std::uint64_t TrackingInfo::*> kInfoU64[] = {
    {24, &TrackingInfo::writesSeen},
    {32, &TrackingInfo::pagedWrites},
    {40, &TrackingInfo::writesConsidered},
    {48, &TrackingInfo::failedWrites},
    {56, &TrackingInfo::excludedWrites},
    {64, &TrackingInfo::changedBlocks},
    {72, &TrackingInfo::changedBytes},
    {80, &TrackingInfo::sessionStartFileTime},
    {88, &TrackingInfo::trackingMicroseconds},
    {104, &TrackingInfo::trimBytes},
    {120, &TrackingInfo::queuedWrites},
};
constexpr FieldTable<TrackingInfo> kInfoFields{kInfoU32, kInfoU64};

template <typename Record>
std::optional<Record> Decode(std::span<const std::uint8_t> bytes, std::size_t readLength, const FieldTable<Record>& fields)
{
    if (bytes.size() < readLength)
        return std::nullopt;
    ByteReader reader(bytes);
    Record record;
    for (const auto& [offset, member] : fields.u32)
        record.*member = reader.U32At(offset);
    for (const auto& [offset, member] : fields.u64)
        record.*member = reader.U64At(offset);
    return record;
}

template <typename Record>
void Encode(const Record& record, std::span<std::uint8_t> out, std::size_t length, const FieldTable<Record>& fields)
{
    const auto bytes = out.first(std::min(out.size(), length));
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    ByteWriter writer(bytes);
    for (const auto& [offset, member] : fields.u32)
        writer.U32At(offset, record.*member);
    for (const auto& [offset, member] : fields.u64)
        writer.U64At(offset, record.*member);
}

} // namespace

std::optional<TrackingGeometry> DecodeTrackingGeometry(std::span<const std::uint8_t> bytes)
{
    return Decode(bytes, kGeometryReadLength, kGeometryFields);
}

std::optional<TrackingInfo> DecodeTrackingInfo(std::span<const std::uint8_t> bytes)
{
    return Decode(bytes, kTrackingInfoReadLength, kInfoFields);
}

void EncodeTrackingGeometry(const TrackingGeometry& geometry, std::span<std::uint8_t> out)
{
    Encode(geometry, out, kTrackingGeometryLength, kGeometryFields);
}

void EncodeTrackingInfo(const TrackingInfo& info, std::span<std::uint8_t> out)
{
    Encode(info, out, kTrackingInfoLength, kInfoFields);
}

} // namespace trackkit
