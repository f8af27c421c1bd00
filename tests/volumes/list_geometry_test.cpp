#include "volumes/list_geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace trackkit {
namespace {

ListMetrics At96Dpi(int fontHeight = 13) { return ComputeListMetrics(96, 96, 32, 32, fontHeight); }

TEST(ListMetrics, MarginsScaleWithTheDpiAndIconsGrowByHalf)
{
    const struct {
        int dpiX;
        int dpiY;
        int icon;
        int marginX;
        int marginY;
        int iconCell;
        int itemHeight;
        int pitch;
    } cases[] = {
        {96, 96, 32, 4, 4, 48, 58, 66},
        {120, 120, 40, 5, 5, 60, 72, 82},
        {144, 144, 48, 6, 6, 72, 86, 98},
        {192, 96, 64, 8, 4, 96, 106, 114},
        {96, 96, 33, 4, 4, 49, 59, 67},  // halving truncates
    };
    for (const auto& c : cases) {
        const ListMetrics m = ComputeListMetrics(c.dpiX, c.dpiY, c.icon, c.icon, 13);
        EXPECT_EQ(m.marginX, c.marginX) << c.dpiX;
        EXPECT_EQ(m.marginY, c.marginY) << c.dpiY;
        EXPECT_EQ(m.spacingX, c.marginX);
        EXPECT_EQ(m.spacingY, c.marginY);
        EXPECT_EQ(m.iconWidth, c.iconCell);
        EXPECT_EQ(m.iconHeight, c.iconCell);
        EXPECT_EQ(ItemHeight(m), c.itemHeight) << c.dpiX << " " << c.icon;
        EXPECT_EQ(ItemPitch(m), c.pitch) << c.dpiX << " " << c.icon;
    }
}

TEST(ListLayout, ContentIsTheScrolledClientInsideTheMargins)
{
    const ListMetrics m = At96Dpi();
    const struct {
        ListRect client;
        int scroll;
        ListRect content;
    } cases[] = {
        {{0, 0, 200, 300}, 0, {4, 4, 196, 296}},
        {{0, 0, 200, 300}, 100, {4, -96, 196, 196}},
        // Never narrower than the icon cell and one margin.
        {{0, 0, 20, 300}, 0, {4, 4, 56, 296}},
        {{0, 0, 0, 0}, 0, {4, 4, 56, -4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ContentRect(c.client, c.scroll, m), c.content) << c.client.right << " " << c.scroll;
}

TEST(ListLayout, ItemsStackOnePitchApart)
{
    VolumeList list;
    list.entries.resize(3);
    PlaceItems(list, {4, -12, 196, 296}, At96Dpi());
    EXPECT_EQ(list.entries[0].itemRect, (ListRect{4, -12, 196, 46}));
    EXPECT_EQ(list.entries[1].itemRect, (ListRect{4, 54, 196, 112}));
    EXPECT_EQ(list.entries[2].itemRect, (ListRect{4, 120, 196, 178}));
}

TEST(ItemLayout, WideItemHasTwoLinesAndABarBetween)
{
    const ItemLayout layout = LayoutItem({4, 4, 196, 62}, At96Dpi(13), 50);
    EXPECT_TRUE(layout.wide);
    EXPECT_EQ(layout.text, (ListRect{61, 9, 191, 57}));
    EXPECT_EQ(layout.barFrame, (ListRect{61, 24, 191, 42}));
    EXPECT_EQ(layout.barInside, (ListRect{62, 25, 190, 41}));
    EXPECT_EQ(layout.barUsed, (ListRect{62, 25, 126, 41}));
    EXPECT_EQ(layout.iconX, 8);
    EXPECT_EQ(layout.iconY, 8);
}

TEST(ItemLayout, UsageBarFillsItsShareAndNeverMore)
{
    const struct {
        std::uint32_t percent;
        int usedRight;
    } cases[] = {
        {0, 62},     // empty
        {1, 63},     // 1.28 rounds down
        {50, 126},
        {99, 189},   // 126.72 rounds up
        {100, 190},  // full, including volumes whose size is unknown
        {101, 190},  // a used count past the total stops at the end
        {0xFFFFFFFF, 190},
    };
    for (const auto& c : cases) {
        const ItemLayout layout = LayoutItem({4, 4, 196, 62}, At96Dpi(13), c.percent);
        EXPECT_EQ(layout.barUsed.right, c.usedRight) << c.percent;
        EXPECT_EQ(layout.barUsed.left, 62);
    }
}

TEST(ItemLayout, ItemsTooNarrowForTextShowTheDriveLetterInTheIconCell)
{
    // The text starts at 61; it needs to end past 63 for the item to be wide.
    const struct {
        int itemRight;
        bool wide;
    } cases[] = {{68, false}, {69, true}, {56, false}, {500, true}};
    for (const auto& c : cases) {
        const ItemLayout layout = LayoutItem({4, 4, c.itemRight, 62}, At96Dpi(), 50);
        EXPECT_EQ(layout.wide, c.wide) << c.itemRight;
        if (!c.wide) {
            EXPECT_EQ(layout.letterCell, (ListRect{8, 8, 52, 56})) << c.itemRight;
            EXPECT_TRUE(layout.barFrame.Empty()) << c.itemRight;
            EXPECT_TRUE(layout.barUsed.Empty()) << c.itemRight;
        }
    }
}

TEST(Scrolling, TheRangeCoversEveryItemAndThePageIsTheClientHeight)
{
    const ListMetrics m = At96Dpi();
    const struct {
        int count;
        int height;
        ScrollRange range;
    } cases[] = {
        {0, 300, {0, 0, 300}},
        {3, 300, {0, 198, 300}},
        {10, 120, {0, 660, 120}},
        {3, -20, {0, 198, 0}},
        {std::numeric_limits<int>::max(), 100, {0, std::numeric_limits<int>::max(), 100}},
    };
    for (const auto& c : cases) {
        const ScrollRange range = ScrollRangeFor(c.count, m, c.height);
        EXPECT_EQ(range.minimum, c.range.minimum);
        EXPECT_EQ(range.maximum, c.range.maximum) << c.count;
        EXPECT_EQ(range.page, c.range.page) << c.height;
    }
}

TEST(Scrolling, EachRequestMovesToItsPositionInsideTheRange)
{
    const ScrollState state{0, 660, 120, 100, 333};
    const struct {
        std::uint32_t code;
        std::optional<int> target;
    } cases[] = {
        {0, 84},   // line up
        {1, 116},  // line down
        {2, 0},    // page up, clamped
        {3, 220},  // page down
        {4, 333},  // thumb position
        {5, 333},  // thumb track
        {6, 0},    // top
        {7, 660},  // bottom
        {8, std::nullopt},  // end of scrolling
        {0xFFFF, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollTarget(c.code, state), c.target) << c.code;
}

TEST(Scrolling, RequestsAtTheEndsClampOrChangeNothing)
{
    const struct {
        ScrollState state;
        std::uint32_t code;
        std::optional<int> target;
    } cases[] = {
        {{0, 660, 120, 0, 0}, 6, std::nullopt},    // already at the top
        {{0, 660, 120, 0, 0}, 0, 0},               // moved, then clamped back
        {{0, 660, 120, 650, 0}, 1, 660},           // clamped to the maximum
        {{0, 660, 120, 660, 0}, 7, std::nullopt},
        {{0, 660, 120, 10, 10}, 5, std::nullopt},  // thumb where it is
        {{0, 0, 0, 0, 0}, 1, 0},                   // no range at all
        {{0, 660, std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), 0}, 3, 660},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollTarget(c.code, c.state), c.target) << c.code << " at " << c.state.position;
}

} // namespace
} // namespace trackkit
