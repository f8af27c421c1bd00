#include "tracking/session_bitmap.h"

#include <gtest/gtest.h>

#include "tracking/driver_contract.h"

namespace trackkit {
namespace {

// The driver is asked for (N + 7) / 8 bytes; the buffer holding them is
// rounded up to four bytes. Neither wraps for the largest N.
TEST(SessionBitmapTest, RequestAndBufferSizes)
{
    const struct {
        std::uint32_t bits;
        std::uint64_t request;
        std::uint64_t buffer;
    } cases[] = {{0, 0, 0}, {1, 1, 4}, {8, 1, 4}, {9, 2, 4}, {32, 4, 4}, {33, 5, 8}, {0xFFFFFFFF, 0x20000000, 0x20000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        EXPECT_EQ(SessionBitmapLength(c.bits), c.request);
        EXPECT_EQ(SessionBitmap::BufferSizeFor(c.bits), c.buffer);
    }
}

TEST(SessionBitmapTest, NewBuffersAreZeroedAndTestStopsAtTheBitCount)
{
    SessionBitmap bitmap;
    ASSERT_TRUE(bitmap.SizeFor(12));
    EXPECT_EQ(bitmap.SizeInBytes(), 4u);
    EXPECT_EQ(bitmap.RequestBytes().size(), 2u);
    for (auto byte : bitmap.Bytes())
        EXPECT_EQ(byte, 0);
    bitmap.Bytes()[1] = 0x18;  // bits 11 and 12
    EXPECT_FALSE(bitmap.Test(10));
    EXPECT_TRUE(bitmap.Test(11));
    EXPECT_FALSE(bitmap.Test(12)) << "bits past the count are never reported";
    EXPECT_FALSE(bitmap.SizeFor(0));
    EXPECT_TRUE(bitmap.Empty());
}

} // namespace
} // namespace trackkit
