#include "tracking/driver_contract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "tracking/session_bitmap.h"

namespace trackkit {
namespace {

// Byte p of the record holds p + 1, so every field's value spells out its offset. The records are read
// from an odd address; the encoders write the fields back and zero the bytes nothing reads.
TEST(DriverContractTest, RecordFieldsSitAtTheirOffsetsBothWays)
{
    std::vector<std::uint8_t> bytes(1 + kTrackingInfoLength);
    const auto record = std::span(bytes).subspan(1);
    std::iota(record.begin(), record.end(), std::uint8_t{1});
    const TrackingGeometry g = DecodeTrackingGeometry(record.first(kTrackingGeometryLength)).value();
    EXPECT_EQ(std::vector({g.clusterFactor1, g.clusterFactor2, g.blockCount, g.bytesPerBlock, g.cbtFirstLcn, g.cbtLastLcn}),
              std::vector<std::uint32_t>({0x04030201, 0x08070605, 0x0C0B0A09, 0x100F0E0D, 0x14131211, 0x18171615}));
    const TrackingInfo i = DecodeTrackingInfo(record).value();
    EXPECT_EQ(std::vector<std::uint64_t>({i.clusterFactor1, i.clusterFactor2, i.bytesPerBlock, i.cbtFirstLcn,
                                          i.cbtLastLcn, i.writesSeen, i.pagedWrites, i.writesConsidered, i.failedWrites,
                                          i.excludedWrites, i.changedBlocks, i.changedBytes, i.sessionStartFileTime,
                                          i.trackingMicroseconds, i.logFileRestartCount, i.trimBytes, i.queuedWrites}),
              std::vector<std::uint64_t>({0x04030201, 0x08070605, 0x100F0E0D, 0x14131211, 0x18171615,
                                          0x201F1E1D1C1B1A19, 0x2827262524232221, 0x302F2E2D2C2B2A29, 0x3837363534333231,
                                          0x403F3E3D3C3B3A39, 0x4847464544434241, 0x504F4E4D4C4B4A49, 0x5857565554535251,
                                          0x605F5E5D5C5B5A59, 0x68676665, 0x706F6E6D6C6B6A69, 0x807F7E7D7C7B7A79}));

    std::vector<std::uint8_t> geometry(kTrackingGeometryLength, 0xCC), info(kTrackingInfoLength, 0xCC);
    EncodeTrackingGeometry(g, geometry);
    EncodeTrackingInfo(i, info);
    EXPECT_TRUE(std::ranges::equal(std::span(geometry).first(24), record.first(24)));
    EXPECT_TRUE(std::all_of(geometry.begin() + 24, geometry.end(), [](std::uint8_t b) { return b == 0; }));
    for (const auto& [from, to] : {std::pair{8, 12}, {96, 100}, {112, 120}, {128, 136}})
        std::fill(record.begin() + from, record.begin() + to, std::uint8_t{0});
    EXPECT_TRUE(std::ranges::equal(info, record));
}

TEST(DriverContractTest, RecordsTooShortForTheirFieldsAreNotDecoded)
{
    const std::vector<std::uint8_t> zeros(kTrackingInfoReadLength, 0);
    const std::span bytes(zeros);
    EXPECT_FALSE(DecodeTrackingGeometry(bytes.first(23)) || DecodeTrackingInfo(bytes.first(kTrackingInfoReadLength - 1)));
    EXPECT_TRUE(DecodeTrackingGeometry(bytes.first(24)) && DecodeTrackingInfo(bytes));
}

// The driver is asked for (N + 7) / 8 bytes; the buffer holding them is rounded up to four bytes. Neither
// wraps for the largest N.
TEST(SessionBitmapTest, RequestAndBufferSizes)
{
    const struct { std::uint32_t bits; std::uint64_t request, buffer; } cases[] = {
        {0, 0, 0}, {1, 1, 4}, {8, 1, 4}, {9, 2, 4}, {32, 4, 4}, {33, 5, 8}, {0xFFFFFFFF, 0x20000000, 0x20000000}};
    for (const auto& c : cases) {
        EXPECT_EQ(SessionBitmapLength(c.bits), c.request) << c.bits;
        EXPECT_EQ(SessionBitmap::BufferSizeFor(c.bits), c.buffer) << c.bits;
    }
}

TEST(SessionBitmapTest, NewBuffersAreZeroedAndTestStopsAtTheBitCount)
{
    SessionBitmap bitmap;
    ASSERT_TRUE(bitmap.SizeFor(12));
    EXPECT_TRUE(std::ranges::all_of(bitmap.Bytes(), [](std::uint8_t b) { return b == 0; }));
    bitmap.Bytes()[1] = 0x18;  // bits 11 and 12
    EXPECT_EQ(std::vector({bitmap.Test(10), bitmap.Test(11), bitmap.Test(12)}), std::vector({false, true, false}))
        << "bits past the count are never reported";
    EXPECT_TRUE(!bitmap.SizeFor(0) && bitmap.Empty());
}

} // namespace
} // namespace trackkit
