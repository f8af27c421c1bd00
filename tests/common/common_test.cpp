#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "common/byte_reader.h"
#include "common/dpi.h"
#include "common/text.h"

namespace trackkit {
namespace {

TEST(MulDivTest, RoundsHalvesAwayFromZeroLikeWindows)
{
    const struct {
        int n, numerator, denominator, result;
    } cases[] = {
        {4, 144, 96, 6},   {2, 120, 96, 3},    {1, 144, 96, 2},  {12, 96, 96, 12},  {-1, 144, 96, -2},
        {5, 1, 2, 3},      {-5, 1, 2, -3},     {5, -1, 2, -3},   {7, 3, 0, -1},
        {std::numeric_limits<int>::max(), 2, 1, -1},  // does not fit: MulDiv's -1
        {std::numeric_limits<int>::max(), 96, 96, std::numeric_limits<int>::max()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.n, c.numerator, c.denominator), c.result) << c.n << "*" << c.numerator << "/" << c.denominator;
}

TEST(FormatBoundedTest, CutsWhatDoesNotFitTheBuffer)
{
    EXPECT_EQ(FormatBounded(128, L"%ls - %ls", L"a", L"b"), L"a - b");
    EXPECT_EQ(FormatBounded(4, L"%llu", 123456ull), L"123");
    EXPECT_EQ(FormatBounded(1, L"%u", 5u), L"");
    const std::wstring longText(5000, L'x');
    EXPECT_EQ(FormatBounded(260, L"%ls!", longText.c_str()).size(), 259u);
}

TEST(ByteReaderTest, ReadsLittleEndianAndFlagsReadsPastTheEnd)
{
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.U16At(1), 0x0302u);
    EXPECT_EQ(reader.U64At(1), 0x0908070605040302u);
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.U32At(6), 0u) << "one byte short";
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.U8At(0), 0x01u) << "reads in range still work";
    EXPECT_FALSE(reader.Ok()) << "the error is sticky";

    ByteReader offTheEnd(bytes);
    offTheEnd.U8At(std::numeric_limits<std::size_t>::max());
    EXPECT_FALSE(offTheEnd.Ok()) << "no offset wraps around";
}

TEST(ByteWriterTest, DropsWritesOutsideTheBuffer)
{
    std::vector<std::uint8_t> bytes(6, 0);
    ByteWriter writer(bytes);
    writer.U32At(2, 0xAABBCCDD);
    EXPECT_TRUE(writer.Ok());
    writer.U32At(3, 0x11111111);
    EXPECT_FALSE(writer.Ok());
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 0, 0xDD, 0xCC, 0xBB, 0xAA}));
}

} // namespace
} // namespace trackkit

#include "common/bmp_file.h"

namespace trackkit {
namespace {

TEST(BmpFileTest, HeaderDescribesATopDown32BitImageAndPixelsFollowInOrder)
{
    const std::uint32_t pixels[] = {0x00112233, 0x00445566, 0xDEADBEEF,  // stride 3, width 2
                                    0x00778899, 0x00AABBCC, 0xDEADBEEF};
    const auto file = EncodeBmp(pixels, 2, 2, 3);
    ASSERT_EQ(file.size(), 54u + 16u);
    ByteReader reader(file);
    EXPECT_EQ(reader.U16At(0), 0x4D42u);  // "BM"
    EXPECT_EQ(reader.U32At(2), 70u);
    EXPECT_EQ(static_cast<std::int32_t>(reader.U32At(22)), -2);
    EXPECT_EQ(reader.U16At(28), 32u);
    EXPECT_EQ(reader.U32At(54), 0x00112233u);
    EXPECT_EQ(reader.U32At(62), 0x00778899u) << "the stride's padding is skipped";
    EXPECT_TRUE(EncodeBmp(pixels, 0, 2, 3).empty());
    EXPECT_TRUE(EncodeBmp(pixels, 4, 1, 3).empty()) << "a stride shorter than a row is refused";
}

} // namespace
} // namespace trackkit
