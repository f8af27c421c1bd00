#include "tracking/driver_contract.h"

#include <gtest/gtest.h>

#include <vector>

namespace trackkit {
namespace {

// Bytes 1 to 24, read from an odd address, land in the six fields in order;
// the encoder writes them back there and zeros the rest of the record.
TEST(DriverContractTest, GeometryFieldsSitAtTheirOffsetsBothWays)
{
    std::vector<std::uint8_t> bytes(1 + kTrackingGeometryLength, 0);
    const std::span<std::uint8_t> record(bytes.data() + 1, kTrackingGeometryLength);
    for (std::uint8_t i = 0; i < 24; ++i)
        record[i] = static_cast<std::uint8_t>(i + 1);

    const auto geometry = DecodeTrackingGeometry(record);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->clusterFactor1, 0x04030201u);
    EXPECT_EQ(geometry->clusterFactor2, 0x08070605u);
    EXPECT_EQ(geometry->blockCount, 0x0C0B0A09u);
    EXPECT_EQ(geometry->bytesPerBlock, 0x100F0E0Du);
    EXPECT_EQ(geometry->cbtFirstLcn, 0x14131211u);
    EXPECT_EQ(geometry->cbtLastLcn, 0x18171615u);

    std::vector<std::uint8_t> encoded(kTrackingGeometryLength, 0xCC);
    EncodeTrackingGeometry(*geometry, encoded);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), record.begin()));
}

// Every field of the statistics record, its bytes laid down by hand: a wrong
// offset in the decoder's or the encoder's field list fails.
TEST(DriverContractTest, StatisticsFieldsSitAtTheirOffsetsBothWays)
{
    const struct {
        std::size_t offset;
        std::size_t width;
        std::uint64_t value;
        std::uint64_t (*read)(const TrackingInfo&);
    } fields[] = {
        {0, 4, 0x00000200, [](const TrackingInfo& i) -> std::uint64_t { return i.clusterFactor1; }},
        {4, 4, 0x00000008, [](const TrackingInfo& i) -> std::uint64_t { return i.clusterFactor2; }},
        {12, 4, 0x00010000, [](const TrackingInfo& i) -> std::uint64_t { return i.bytesPerBlock; }},
        {16, 4, 0x16161616, [](const TrackingInfo& i) -> std::uint64_t { return i.cbtFirstLcn; }},
        {20, 4, 0x20202020, [](const TrackingInfo& i) -> std::uint64_t { return i.cbtLastLcn; }},
        {24, 8, 0x2424242424242424, [](const TrackingInfo& i) { return i.writesSeen; }},
        {32, 8, 0x3232323232323232, [](const TrackingInfo& i) { return i.pagedWrites; }},
        {40, 8, 0x4040404040404040, [](const TrackingInfo& i) { return i.writesConsidered; }},
        {48, 8, 0x4848484848484848, [](const TrackingInfo& i) { return i.failedWrites; }},
        {56, 8, 0x5656565656565656, [](const TrackingInfo& i) { return i.excludedWrites; }},
        {64, 8, 0x6464646464646464, [](const TrackingInfo& i) { return i.changedBlocks; }},
        {72, 8, 0x7272727272727272, [](const TrackingInfo& i) { return i.changedBytes; }},
        {80, 8, 0x8080808080808080, [](const TrackingInfo& i) { return i.sessionStartFileTime; }},
        {88, 8, 0x8888888888888888, [](const TrackingInfo& i) { return i.trackingMicroseconds; }},
        {100, 4, 0x00000A0A, [](const TrackingInfo& i) -> std::uint64_t { return i.logFileRestartCount; }},
        {104, 8, 0xA4A4A4A4A4A4A4A4, [](const TrackingInfo& i) { return i.trimBytes; }},
        {120, 8, 0x1201201201201201, [](const TrackingInfo& i) { return i.queuedWrites; }},
    };
    std::vector<std::uint8_t> bytes(kTrackingInfoLength, 0);
    for (const auto& field : fields) {
        for (std::size_t i = 0; i < field.width; ++i)
            bytes[field.offset + i] = static_cast<std::uint8_t>(field.value >> (8 * i));
    }

    const auto info = DecodeTrackingInfo(bytes);
    ASSERT_TRUE(info.has_value());
    for (const auto& field : fields)
        EXPECT_EQ(field.read(*info), field.value) << "offset " << field.offset;

    std::vector<std::uint8_t> encoded(kTrackingInfoLength, 0xCC);
    EncodeTrackingInfo(*info, encoded);
    EXPECT_EQ(encoded, bytes);
}

TEST(DriverContractTest, RecordsTooShortForTheirFieldsAreNotDecoded)
{
    const std::vector<std::uint8_t> bytes(200, 0);
    const std::span<const std::uint8_t> all(bytes);
    EXPECT_FALSE(DecodeTrackingGeometry(all.first(23)).has_value());
    EXPECT_TRUE(DecodeTrackingGeometry(all.first(24)).has_value());
    EXPECT_FALSE(DecodeTrackingInfo(all.first(kTrackingInfoReadLength - 1)).has_value());
    EXPECT_TRUE(DecodeTrackingInfo(all.first(kTrackingInfoReadLength)).has_value());
}

} // namespace
} // namespace trackkit
