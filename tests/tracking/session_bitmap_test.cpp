#include "tracking/session_bitmap.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

TEST(SessionBitmapTest, SizesAreRoundedToFourBytes)
{
    const struct {
        std::uint32_t bits;
        std::uint64_t bytes;
    } cases[] = {{0, 0}, {1, 4}, {32, 4}, {33, 8}, {100, 16}, {0xFFFFFFF8, 0x1FFFFFFF + 1}, {0xFFFFFFFF, 0x20000000}};
    for (const auto& c : cases)
        EXPECT_EQ(SessionBitmap::BufferSizeFor(c.bits), c.bytes) << c.bits;
}

TEST(SessionBitmapTest, NewBuffersAreZeroedAndTestStopsAtTheBitCount)
{
    SessionBitmap bitmap;
    ASSERT_TRUE(bitmap.SizeFor(12));
    EXPECT_EQ(bitmap.SizeInBytes(), 4u);
    EXPECT_EQ(bitmap.RequestBytes().size(), 2u);
    for (auto byte : bitmap.Bytes())
        EXPECT_EQ(byte, 0);
    bitmap.Bytes()[1] = 0xFF;
    EXPECT_TRUE(bitmap.Test(11));
    EXPECT_FALSE(bitmap.Test(12)) << "bits past the count are never reported";
    EXPECT_FALSE(bitmap.SizeFor(0));
    EXPECT_TRUE(bitmap.Empty());
}

} // namespace
} // namespace trackkit
