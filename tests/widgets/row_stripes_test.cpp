#include "widgets/row_stripes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace trackkit {
namespace {

TEST(StripeColor, IsNinetyEightPercentWindowAndTwoPercentTextPerChannel)
{
    const struct {
        const char* name;
        StripeColor window, text, stripe;
    } cases[] = {
        {"white window, black text", 0x00FFFFFF, 0x00000000, 0x00FAFAFA},
        {"black window, white text", 0x00000000, 0x00FFFFFF, 0x00050505},
        {"same colour stays", 0x00808080, 0x00808080, 0x00808080},
        // red 255/0 -> 250, green 0/255 -> 5, blue 128/64 -> 127 (126.72)
        {"channels mixed independently", 0x008000FF, 0x0040FF00, 0x007F05FA},
        {"rounds to nearest: 0.98 x 51 = 49.98", 0x00333333, 0x00000000, 0x00323232},
        {"rounds to nearest: 0.98 x 25 = 24.5 rounds up", 0x00191919, 0x00000000, 0x00191919},
        {"a byte above the colour is ignored", 0xFFFFFFFF, 0xFF000000, 0x00FAFAFA},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripeColorFor(c.window, c.text), c.stripe) << c.name;
}

TEST(RowStripes, EvenRowsOnTheWindowColourOddRowsOnTheStripe)
{
    const RowStripeColors colors = MakeRowStripeColors(0x00FFFFFF, 0x00102030);
    EXPECT_EQ(colors.text, 0x00102030u);
    EXPECT_EQ(colors.window, 0x00FFFFFFu);
    const struct {
        std::uint64_t item;
        StripeColor background;
    } cases[] = {
        {0, colors.window}, {1, colors.stripe}, {2, colors.window}, {17, colors.stripe},
        {std::numeric_limits<std::uint64_t>::max(), colors.stripe},
        {std::numeric_limits<std::uint64_t>::max() - 1, colors.window},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowBackground(colors, c.item), c.background) << c.item;
    EXPECT_NE(colors.stripe, colors.window);
}

} // namespace
} // namespace trackkit
