#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "widgets/drag_shadow_image.h"
#include "widgets/row_stripes.h"

namespace trackkit {
namespace {

TEST(PremultipliedPixel, ScalesEachChannelByAlphaRounded)
{
    const struct {
        std::uint8_t red, green, blue, alpha;
        std::uint32_t pixel;
    } cases[] = {
        {0, 0, 0, 0x90, 0x90000000},       {255, 255, 255, 0x90, 0x90909090}, {255, 255, 255, 255, 0xFFFFFFFF},
        {200, 100, 50, 0, 0x00000000},     {200, 100, 50, 128, 0x80643219},   // 100.4, 50.2, 25.1
        {1, 3, 255, 128, 0x80010280},      // 0.502 -> 1, 1.506 -> 2, 128
    };
    for (const auto& c : cases)
        EXPECT_EQ(PremultipliedPixel(c.red, c.green, c.blue, c.alpha), c.pixel)
            << int{c.red} << "," << int{c.green} << "," << int{c.blue} << " at " << int{c.alpha};
}

TEST(ShadowImage, AUniformDarkBandOfSizesThatFitADib)
{
    std::vector<std::uint32_t> pixels(ShadowImageByteCount(800, 4).value() / 4, 0x12345678);
    ASSERT_EQ(pixels.size(), 3200u);
    FillShadowImage(pixels);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0x90000000u), 3200);

    constexpr int kIntMax = std::numeric_limits<int>::max();
    const struct {
        int width, height;
        bool fits;
    } cases[] = {{1, 1, true},          {0, 4, false},          {4, 0, false},          {-1, 4, false},
                 {32767, 32768, true},  {32768, 32768, false},  {kIntMax, kIntMax, false}};
    for (const auto& c : cases)
        EXPECT_EQ(ShadowImageByteCount(c.width, c.height).has_value(), c.fits) << c.width << " x " << c.height;
}

TEST(RowStripes, OddRowsOnNinetyEightPercentWindowAndTwoPercentText)
{
    const struct {
        const char* name;
        StripeColor window, text, stripe;
    } cases[] = {
        {"white window, black text", 0x00FFFFFF, 0x00000000, 0x00FAFAFA},
        {"black window, white text", 0x00000000, 0x00FFFFFF, 0x00050505},
        {"channels mixed independently: 250, 5, 127 (126.72)", 0x008000FF, 0x0040FF00, 0x007F05FA},
        {"0.98 x 51 = 49.98 rounds to 50", 0x00333333, 0x00000000, 0x00323232},
        {"0.98 x 25 = 24.5 rounds up", 0x00191919, 0x00000000, 0x00191919},
        {"a byte above the colour is ignored", 0xFFFFFFFF, 0xFF000000, 0x00FAFAFA},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripeColorFor(c.window, c.text), c.stripe) << c.name;

    const RowStripeColors colors = MakeRowStripeColors(0x00FFFFFF, 0x00102030);
    EXPECT_EQ(colors.text, 0x00102030u);
    EXPECT_EQ(colors.window, 0x00FFFFFFu);
    EXPECT_EQ(colors.stripe, 0x00FAFBFBu);
    constexpr std::uint64_t kLast = std::numeric_limits<std::uint64_t>::max();
    for (const std::uint64_t item : {std::uint64_t{0}, std::uint64_t{2}, kLast - 1})
        EXPECT_EQ(RowBackground(colors, item), colors.window) << item;
    for (const std::uint64_t item : {std::uint64_t{1}, std::uint64_t{17}, kLast})
        EXPECT_EQ(RowBackground(colors, item), colors.stripe) << item;
}

} // namespace
} // namespace trackkit
