#include "tracking/driver_contract.h"

#include <gtest/gtest.h>

#include <vector>

namespace trackkit {
namespace {

TEST(DriverContractTest, GeometryFieldsAreReadAtTheirOffsetsFromAnUnalignedBuffer)
{
    std::vector<std::uint8_t> bytes(1 + kTrackingGeometryLength, 0xEE);
    const std::span<std::uint8_t> record(bytes.data() + 1, kTrackingGeometryLength);  // odd address
    const std::uint8_t fields[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
                                   0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};
    std::copy(std::begin(fields), std::end(fields), record.begin());

    const auto geometry = DecodeTrackingGeometry(record);

    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->clusterFactor1, 0x04030201u);
    EXPECT_EQ(geometry->clusterFactor2, 0x08070605u);
    EXPECT_EQ(geometry->blockCount, 0x0C0B0A09u);
    EXPECT_EQ(geometry->bytesPerBlock, 0x100F0E0Du);
    EXPECT_EQ(geometry->cbtFirstLcn, 0x14131211u);
    EXPECT_EQ(geometry->cbtLastLcn, 0x18171615u);
}

TEST(DriverContractTest, StatisticsFieldsSitAtTheirOffsets)
{
    std::vector<std::uint8_t> bytes(kTrackingInfoLength, 0);
    const auto put64 = [&](std::size_t offset, std::uint64_t value) {
        for (int i = 0; i < 8; ++i)
            bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put64(24, 0x1111111111111111);
    put64(40, 0x4040404040404040);
    put64(56, 0x5656565656565656);
    put64(80, 0x8080808080808080);
    put64(96, 0x0000000AFFFFFFFF);  // 96 is not read; 100 is the restart count
    put64(104, 0xA4A4A4A4A4A4A4A4);
    put64(112, 0xDEADDEADDEADDEAD);
    put64(120, 0x1201201201201201);

    const auto info = DecodeTrackingInfo(bytes);

    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->writesSeen, 0x1111111111111111u);
    EXPECT_EQ(info->writesConsidered, 0x4040404040404040u);
    EXPECT_EQ(info->excludedWrites, 0x5656565656565656u);
    EXPECT_EQ(info->sessionStartFileTime, 0x8080808080808080u);
    EXPECT_EQ(info->logFileRestartCount, 0x0Au);
    EXPECT_EQ(info->trimBytes, 0xA4A4A4A4A4A4A4A4u);
    EXPECT_EQ(info->queuedWrites, 0x1201201201201201u);
}

TEST(DriverContractTest, EncodeAndDecodeAreInverse)
{
    TrackingInfo info;
    info.clusterFactor1 = 1;
    info.clusterFactor2 = 2;
    info.bytesPerBlock = 3;
    info.cbtFirstLcn = 4;
    info.cbtLastLcn = 5;
    info.writesSeen = 6;
    info.pagedWrites = 7;
    info.writesConsidered = 8;
    info.failedWrites = 9;
    info.excludedWrites = 10;
    info.changedBlocks = 11;
    info.changedBytes = 12;
    info.sessionStartFileTime = 13;
    info.trackingMicroseconds = 14;
    info.logFileRestartCount = 15;
    info.trimBytes = 16;
    info.queuedWrites = 17;
    std::vector<std::uint8_t> bytes(kTrackingInfoLength, 0xCC);
    EncodeTrackingInfo(info, bytes);
    const auto decoded = DecodeTrackingInfo(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->queuedWrites, 17u);
    EXPECT_EQ(decoded->logFileRestartCount, 15u);
    EXPECT_EQ(decoded->trackingMicroseconds, 14u);
    EXPECT_EQ(bytes[96], 0) << "unused bytes are zeroed";
    EXPECT_EQ(bytes[135], 0);
}

TEST(DriverContractTest, RecordsTooShortForTheirFieldsAreNotDecoded)
{
    const std::vector<std::uint8_t> bytes(200, 0);
    const std::span<const std::uint8_t> all(bytes);
    EXPECT_FALSE(DecodeTrackingGeometry(all.first(23)).has_value());
    EXPECT_TRUE(DecodeTrackingGeometry(all.first(24)).has_value());
    EXPECT_FALSE(DecodeTrackingInfo(all.first(kTrackingInfoReadLength - 1)).has_value());
    EXPECT_TRUE(DecodeTrackingInfo(all.first(kTrackingInfoReadLength)).has_value());
    EXPECT_FALSE(DecodeTrackingInfo({}).has_value());
}

TEST(DriverContractTest, SessionBitmapLengthCoversEveryBlockWithoutWrapping)
{
    EXPECT_EQ(SessionBitmapLength(0), 0u);
    EXPECT_EQ(SessionBitmapLength(1), 1u);
    EXPECT_EQ(SessionBitmapLength(8), 1u);
    EXPECT_EQ(SessionBitmapLength(9), 2u);
    EXPECT_EQ(SessionBitmapLength(0xFFFFFFFF), 0x20000000u);
}

} // namespace
} // namespace trackkit
