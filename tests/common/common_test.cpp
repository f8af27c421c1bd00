#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "common/bmp_file.h"
#include "common/byte_reader.h"
#include "common/csv.h"
#include "common/dpi.h"
#include "common/rect.h"
#include "common/text.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

TEST(MulDivTest, RoundsHalvesAwayFromZeroLikeWindows)
{
    const struct {
        int n, numerator, denominator, result;
    } cases[] = {{4, 144, 96, 6},  {1, 144, 96, 2}, {2, 120, 96, 3},  {7, 1, 3, 2},    {-1, 144, 96, -2},
                 {5, -1, 2, -3},   {5, 1, -2, -3},  {-5, 1, -2, 3},   {7, 3, 0, -1},   {kIntMax, 2, 1, -1},
                 {kIntMax, 96, 96, kIntMax}};
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.n, c.numerator, c.denominator), c.result) << c.n << "*" << c.numerator << "/" << c.denominator;
}

// A taskbar at the top or on the left moves the work area, and with it the workspace coordinates.
TEST(RectTest, WorkspaceRectanglesMoveByWhereTheWorkAreaStarts)
{
    const Rect window{50, 60, 850, 560}, monitor{0, 0, 1280, 1024};
    EXPECT_EQ(ScreenRectFromWorkspace(window, monitor, {0, 40, 1280, 1024}), (Rect{50, 100, 850, 600}));
    EXPECT_EQ(ScreenRectFromWorkspace(window, monitor, {62, 0, 1280, 1024}), (Rect{112, 60, 912, 560}));
    EXPECT_EQ(ScreenRectFromWorkspace(window, {1280, 0, 2560, 1024}, {1280, 30, 2560, 1024}), (Rect{50, 90, 850, 590}));
}

TEST(FormatBoundedTest, CutsWhatDoesNotFitTheBuffer)
{
    EXPECT_EQ(FormatBounded(128, L"%ls - %ls", L"a", L"b"), L"a - b");
    EXPECT_EQ(FormatBounded(4, L"%llu", 123456ull), L"123");
    EXPECT_EQ(FormatBounded(1, L"%u", 5u), L"");
    EXPECT_EQ(FormatBounded(0, L"%u", 5u), L"");
    EXPECT_EQ(FormatBounded(260, L"%ls!", std::wstring(5000, L'x').c_str()).size(), 259u);
}

TEST(ByteReaderTest, ReadsLittleEndianAndFlagsReadsPastTheEndForGood)
{
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.U16At(1), 0x0302u);
    EXPECT_EQ(reader.U64At(1), 0x0908070605040302u);
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.U32At(6), 0u) << "one byte short";
    EXPECT_EQ(reader.U8At(0), 0x01u);
    EXPECT_FALSE(reader.Ok()) << "sticky";
    ByteReader wrap(bytes);
    wrap.U8At(std::numeric_limits<std::size_t>::max());
    EXPECT_FALSE(wrap.Ok());

    std::vector<std::uint8_t> out(6, 0);
    ByteWriter writer(out);
    writer.U32At(2, 0xAABBCCDD);
    EXPECT_TRUE(writer.Ok());
    writer.U32At(3, 0x11111111);
    EXPECT_FALSE(writer.Ok());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0xDD, 0xCC, 0xBB, 0xAA})) << "the write that did not fit is dropped";
}

TEST(BmpFileTest, HeaderDescribesATopDown32BitImageAndPixelsFollowInOrder)
{
    const std::uint32_t pixels[] = {0x00112233, 0x00445566, 0xDEADBEEF, 0x00778899, 0x00AABBCC, 0xDEADBEEF};
    const auto file = EncodeBmp(pixels, 2, 2, 3);  // the third of each row is the stride's padding
    ASSERT_EQ(file.size(), 54u + 16u);
    ByteReader reader(file);
    EXPECT_EQ(reader.U16At(0), 0x4D42u);  // "BM"
    EXPECT_EQ(reader.U32At(2), 70u);
    EXPECT_EQ(static_cast<std::int32_t>(reader.U32At(22)), -2);
    EXPECT_EQ(reader.U16At(28), 32u);
    EXPECT_EQ(reader.U32At(54), 0x00112233u);
    EXPECT_EQ(reader.U32At(62), 0x00778899u);
    EXPECT_TRUE(EncodeBmp(pixels, 0, 2, 3).empty());
    EXPECT_TRUE(EncodeBmp(pixels, 2, 0, 3).empty());
    EXPECT_TRUE(EncodeBmp(pixels, 4, 1, 3).empty()) << "a stride shorter than a row";
}

} // namespace
TEST(CsvTest, CsvQuotesWhatNeedsItInUtf8AndTabsLeaveNoBreaks)
{
    EXPECT_EQ(CsvLine({L"plain", L"a,b", L"say \"hi\"", L"two\r\nlines", L"", L"caf\u00e9 \u20ac"}),
              "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",,caf\xc3\xa9 \xe2\x82\xac\r\n");
    EXPECT_EQ(CsvLine({L"\U0001F600"}), "\xf0\x9f\x98\x80\r\n") << "a character beyond 16 bits";
    // As UTF-16 holds them on Windows: pairs join, the last one too; a surrogate alone becomes U+FFFD.
    const std::wstring units[] = {{wchar_t(0xD83D), wchar_t(0xDE00)}, {wchar_t(0xDBFF), wchar_t(0xDFFF)},
                                  {L'a', wchar_t(0xDC00)}, {wchar_t(0xD800), L'b'}};
    EXPECT_EQ(CsvLine({units[0], units[1], units[2], units[3]}),
              "\xf0\x9f\x98\x80,\xf4\x8f\xbf\xbf,a\xef\xbf\xbd,\xef\xbf\xbd" "b\r\n");
    EXPECT_EQ(TabSeparatedLine({L"a\tb", L"c\r\nd", L"e"}), L"a b\tc  d\te\r\n");
}

} // namespace trackkit
