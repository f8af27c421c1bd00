#include "volumes/list_colors.h"

#include <gtest/gtest.h>

namespace trackkit {
namespace {

constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr ColorRef kBlack = MakeColorRef(0, 0, 0);
constexpr ColorRef kHighlight = MakeColorRef(0, 120, 215);
constexpr ColorRef kFace = MakeColorRef(240, 240, 240);
constexpr ColorRef kShadow = MakeColorRef(160, 160, 160);

TEST(BlendColor, MixesEachChannelByThePercentRoundingHalfUp)
{
    const struct {
        ColorRef x;
        ColorRef y;
        int percent;
        ColorRef mixed;
    } cases[] = {
        {kHighlight, kWhite, 10, MakeColorRef(230, 242, 251)},
        {kHighlight, kWhite, 25, MakeColorRef(191, 221, 245)},
        {kBlack, kWhite, 60, MakeColorRef(102, 102, 102)},
        {kHighlight, kWhite, 0, kWhite},
        {kHighlight, kWhite, 100, kHighlight},
        {MakeColorRef(1, 0, 3), kBlack, 50, MakeColorRef(1, 0, 2)},   // 0.5 and 1.5 round up
        {MakeColorRef(1, 1, 1), kBlack, 49, kBlack},                   // 0.49 rounds down
        {MakeColorRef(10, 20, 30), MakeColorRef(30, 20, 10), 50, MakeColorRef(20, 20, 20)},
        // Percents outside 0 to 100 stay inside the channel's range.
        {kHighlight, kWhite, -5, kWhite},
        {kHighlight, kWhite, 150, kHighlight},
        // The top byte is not a channel.
        {0xFF000000u | kWhite, 0xFF000000u, 50, MakeColorRef(128, 128, 128)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlendColor(c.x, c.y, c.percent), c.mixed) << std::hex << c.x << " " << c.y << " " << std::dec
                                                            << c.percent;
}

TEST(ListColors, TenColoursFromFiveSystemColours)
{
    const ListColors c = ComputeListColors({kBlack, kWhite, kFace, kShadow, kHighlight});
    EXPECT_EQ(c.text, kBlack);
    EXPECT_EQ(c.dimText, MakeColorRef(102, 102, 102));
    EXPECT_EQ(c.window, kWhite);
    EXPECT_EQ(c.barBack, MakeColorRef(243, 243, 243));
    EXPECT_EQ(c.barFrame, MakeColorRef(179, 179, 179));
    EXPECT_EQ(c.barFill, MakeColorRef(32, 128, 204));
    EXPECT_EQ(c.focus, kHighlight);
    EXPECT_EQ(c.hotBack, MakeColorRef(230, 242, 251));
    EXPECT_EQ(c.selectedBack, MakeColorRef(191, 221, 245));
    EXPECT_EQ(c.inactiveSelectedBack, MakeColorRef(208, 208, 208));
}

TEST(ListColors, ItemBackgroundFollowsSelectionHotAndFocus)
{
    const ListColors colors = ComputeListColors({kBlack, kWhite, kFace, kShadow, kHighlight});
    const struct {
        bool selected;
        bool hot;
        bool focus;
        ColorRef fill;
        bool frame;
    } cases[] = {
        {false, false, true, colors.window, false},
        {false, true, true, colors.hotBack, false},
        {false, true, false, colors.hotBack, false},
        {true, false, true, colors.selectedBack, true},
        {true, true, true, colors.selectedBack, true},  // selection wins over hot
        {true, false, false, colors.inactiveSelectedBack, false},
        {true, true, false, colors.inactiveSelectedBack, false},
    };
    for (const auto& c : cases) {
        VolumeEntry entry;
        entry.selected = c.selected;
        entry.hot = c.hot;
        const ItemBackground background = BackgroundOf(entry, c.focus, colors);
        EXPECT_EQ(background.fill, c.fill) << c.selected << c.hot << c.focus;
        EXPECT_EQ(background.focusFrame, c.frame) << c.selected << c.hot << c.focus;
    }
}

} // namespace
} // namespace trackkit
