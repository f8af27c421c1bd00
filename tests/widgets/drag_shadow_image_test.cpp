#include "widgets/drag_shadow_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace trackkit {
namespace {

TEST(PremultipliedPixel, ScalesEachChannelByAlphaRounded)
{
    const struct {
        std::uint8_t red, green, blue, alpha;
        std::uint32_t pixel;
    } cases[] = {
        {0, 0, 0, 0x90, 0x90000000},        // the shadow: black at 144/255
        {255, 255, 255, 0x90, 0x90909090},  // white keeps the alpha as its channels
        {255, 255, 255, 255, 0xFFFFFFFF},
        {200, 100, 50, 0, 0x00000000},      // fully transparent has no colour
        {200, 100, 50, 128, 0x80643219},    // 100.4, 50.2, 25.1
        {1, 3, 255, 128, 0x80010280},       // 0.502 -> 1, 1.506 -> 2, 128
    };
    for (const auto& c : cases)
        EXPECT_EQ(PremultipliedPixel(c.red, c.green, c.blue, c.alpha), c.pixel)
            << int{c.red} << "," << int{c.green} << "," << int{c.blue} << " at " << int{c.alpha};
}

TEST(ShadowImage, FourPixelsHighEightHundredWideIsAUniformDarkBand)
{
    const auto bytes = ShadowImageByteCount(800, 4);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, 12800u);
    std::vector<std::uint32_t> pixels(*bytes / 4, 0x12345678);
    FillShadowImage(pixels);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0x90000000u), 3200);
}

TEST(ShadowImage, SizesThatCannotMakeAnImage)
{
    constexpr int kIntMax = std::numeric_limits<int>::max();
    const struct {
        int width, height;
        bool fits;
    } cases[] = {
        {1, 1, true},      {0, 4, false},       {4, 0, false},       {-1, 4, false},
        {4, -1, false},    {32767, 32768, true}, {32768, 32768, false}, {kIntMax, kIntMax, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShadowImageByteCount(c.width, c.height).has_value(), c.fits) << c.width << " x " << c.height;
}

} // namespace
} // namespace trackkit
