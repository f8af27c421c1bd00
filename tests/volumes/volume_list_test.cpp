// The list control's portable parts: rectangles, measures, scrolling,
// colours, and what the mouse and the keyboard do to the selection.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <vector>

#include "volumes/list_colors.h"
#include "volumes/list_geometry.h"
#include "volumes/list_selection.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

// The rules of PtInRect and IntersectRect: left and top edges are inside,
// right and bottom ones outside; an empty rectangle meets nothing.
TEST(ListRect, ContainsEmptyAndIntersects)
{
    const ListRect r{10, 20, 30, 40};
    const struct {
        int x, y;
        bool inside;
    } points[] = {{10, 20, true}, {29, 39, true}, {9, 20, false}, {10, 19, false}, {30, 20, false}, {10, 40, false}};
    for (const auto& p : points)
        EXPECT_EQ(r.Contains(p.x, p.y), p.inside) << p.x << ", " << p.y;
    const struct {
        ListRect other;
        bool meets;
    } others[] = {
        {{29, 39, 50, 50}, true}, {{0, 0, 11, 21}, true}, {{30, 20, 50, 40}, false}, {{0, 20, 10, 40}, false},
        {{10, 40, 30, 50}, false}, {{10, 0, 30, 20}, false}, {{15, 25, 15, 35}, false}, {{15, 25, 25, 25}, false},
    };
    for (const auto& o : others) {
        EXPECT_EQ(r.Intersects(o.other), o.meets) << o.other.left << " " << o.other.top;
        EXPECT_EQ(o.other.Intersects(r), o.meets) << o.other.left << " " << o.other.top;
    }
    EXPECT_FALSE((ListRect{15, 25, 14, 35}).Intersects(r));  // an inverted rectangle is empty too
    EXPECT_FALSE((ListRect{15, 25, 25, 24}).Intersects(r));
}

TEST(ListMetrics, MarginsScaleWithTheDpiAndIconsGrowByHalf)
{
    const struct {
        int dpiX, dpiY, icon, marginX, marginY, iconCell, itemHeight, pitch;
    } cases[] = {
        {96, 96, 32, 4, 4, 48, 58, 66}, {144, 144, 48, 6, 6, 72, 86, 98},
        {192, 96, 64, 8, 4, 96, 106, 114}, {96, 96, 33, 4, 4, 49, 59, 67},  // halving truncates
    };
    for (const auto& c : cases) {
        const ListMetrics m = ComputeListMetrics(c.dpiX, c.dpiY, c.icon, c.icon, 13);
        EXPECT_EQ((std::array{m.marginX, m.marginY, m.spacingX, m.spacingY, m.iconWidth, m.iconHeight, m.fontHeight}),
                  (std::array{c.marginX, c.marginY, c.marginX, c.marginY, c.iconCell, c.iconCell, 13}))
            << c.dpiX << " " << c.icon;
        EXPECT_EQ(ItemHeight(m), c.itemHeight) << c.dpiX << " " << c.icon;
        EXPECT_EQ(ItemPitch(m), c.pitch) << c.dpiX << " " << c.icon;
    }
}

TEST(ListLayout, ContentIsTheScrolledClientInsideTheMarginsAndItemsStackOnePitchApart)
{
    const ListMetrics m = ComputeListMetrics(96, 96, 32, 32, 13);
    EXPECT_EQ(ContentRect({0, 0, 200, 300}, 100, m), (ListRect{4, -96, 196, 196}));
    EXPECT_EQ(ContentRect({0, 0, 20, 300}, 0, m), (ListRect{4, 4, 56, 296}));  // never narrower than icon and margin
    EXPECT_EQ(ContentRect({0, 0, 0, 0}, 0, m), (ListRect{4, 4, 56, -4}));

    VolumeList list;
    list.entries.resize(3);
    PlaceItems(list, {4, -12, 196, 296}, m);
    EXPECT_EQ(list.entries[0].itemRect, (ListRect{4, -12, 196, 46}));
    EXPECT_EQ(list.entries[2].itemRect, (ListRect{4, 120, 196, 178}));
}

TEST(ItemLayout, TwoTextLinesWithTheUsageBarBetweenOrTheDriveLetterWhenNarrow)
{
    const ListMetrics m = ComputeListMetrics(96, 96, 32, 32, 13);
    const ItemLayout wide = LayoutItem({4, 4, 196, 62}, m, 50);
    EXPECT_TRUE(wide.wide);
    EXPECT_EQ(wide.text, (ListRect{61, 9, 191, 57}));
    EXPECT_EQ(wide.barFrame, (ListRect{61, 24, 191, 42}));
    EXPECT_EQ(wide.barInside, (ListRect{62, 25, 190, 41}));
    EXPECT_EQ(wide.barUsed, (ListRect{62, 25, 126, 41}));
    EXPECT_EQ(std::pair(wide.iconX, wide.iconY), std::pair(8, 8));

    // The bar's used share, rounded; never past the bar's end.
    const struct {
        std::uint32_t percent;
        int usedRight;
    } shares[] = {{0, 62}, {1, 63}, {99, 189}, {100, 190}, {101, 190}, {0xFFFFFFFF, 190}};
    for (const auto& s : shares)
        EXPECT_EQ(LayoutItem({4, 4, 196, 62}, m, s.percent).barUsed.right, s.usedRight) << s.percent;

    // The text starts at 61 and must end past 63 for the item to be wide.
    EXPECT_TRUE(LayoutItem({4, 4, 69, 62}, m, 50).wide);
    for (const int right : {68, 56}) {
        const ItemLayout narrow = LayoutItem({4, 4, right, 62}, m, 50);
        EXPECT_FALSE(narrow.wide) << right;
        EXPECT_EQ(narrow.letterCell, (ListRect{8, 8, 52, 56})) << right;
        EXPECT_TRUE(narrow.barFrame.Empty() && narrow.barUsed.Empty()) << right;
    }
}

TEST(Scrolling, TheRangeCoversEveryItemAndRequestsMoveInsideIt)
{
    const ListMetrics m = ComputeListMetrics(96, 96, 32, 32, 13);
    const struct {
        int count, height;
        ScrollRange range;
    } ranges[] = {{0, 300, {0, 0, 300}}, {10, 120, {0, 660, 120}}, {3, -20, {0, 198, 0}}, {kIntMax, 100, {0, kIntMax, 100}}};
    for (const auto& c : ranges) {
        const ScrollRange range = ScrollRangeFor(c.count, m, c.height);
        EXPECT_EQ((std::array{range.minimum, range.maximum, range.page}), (std::array{c.range.minimum, c.range.maximum, c.range.page}))
            << c.count << " " << c.height;
    }

    const ScrollState middle{0, 660, 120, 100, 333};  // minimum, maximum, page, position, track
    const struct {
        ScrollState state;
        std::uint32_t code;  // SB_LINEUP 0 to SB_BOTTOM 7
        std::optional<int> target;
    } requests[] = {
        {middle, 0, 84}, {middle, 1, 116}, {middle, 2, 0}, {middle, 3, 220}, {middle, 4, 333}, {middle, 5, 333},
        {middle, 6, 0}, {middle, 7, 660}, {middle, 8, std::nullopt}, {middle, 0xFFFF, std::nullopt},
        {{0, 660, 120, 0, 0}, 6, std::nullopt},  // already at the top
        {{0, 660, 120, 0, 0}, 0, 0},             // moved, then clamped back
        {{0, 660, 120, 650, 0}, 1, 660},
        {{0, 660, 120, 660, 0}, 7, std::nullopt},
        {{0, 0, 0, 0, 0}, 1, 0},                 // no range at all
        {{0, 660, kIntMax, kIntMax, 0}, 3, 660},
    };
    for (const auto& c : requests)
        EXPECT_EQ(ScrollTarget(c.code, c.state), c.target) << c.code << " at " << c.state.position;
}

TEST(ListColors, BlendRoundsHalfUpAndTenColoursComeFromFiveSystemColours)
{
    constexpr ColorRef kWhite = MakeColorRef(255, 255, 255), kBlack = 0, kHighlight = MakeColorRef(0, 120, 215);
    const struct {
        ColorRef x, y;
        int percent;
        ColorRef mixed;
    } blends[] = {
        {kHighlight, kWhite, 10, MakeColorRef(230, 242, 251)},
        {MakeColorRef(1, 0, 3), kBlack, 50, MakeColorRef(1, 0, 2)},  // 0.5 and 1.5 round up
        {MakeColorRef(1, 1, 1), kBlack, 49, kBlack},                 // 0.49 rounds down
        {MakeColorRef(10, 20, 30), MakeColorRef(30, 20, 10), 50, MakeColorRef(20, 20, 20)},
        {kHighlight, kWhite, -5, kWhite}, {kHighlight, kWhite, 150, kHighlight},  // percents outside 0 to 100
        {0xFF000000u | kWhite, 0xFF000000u, 50, MakeColorRef(128, 128, 128)},      // the top byte is no channel
    };
    for (const auto& c : blends)
        EXPECT_EQ(BlendColor(c.x, c.y, c.percent), c.mixed) << std::hex << c.x << " " << c.y << " " << std::dec << c.percent;

    const ListColors c = ComputeListColors({kBlack, kWhite, MakeColorRef(240, 240, 240), MakeColorRef(160, 160, 160), kHighlight});
    EXPECT_EQ((std::array{c.text, c.dimText, c.window, c.barBack, c.barFrame, c.barFill, c.focus, c.hotBack, c.selectedBack,
                          c.inactiveSelectedBack}),
              (std::array{kBlack, MakeColorRef(102, 102, 102), kWhite, MakeColorRef(243, 243, 243), MakeColorRef(179, 179, 179),
                          MakeColorRef(32, 128, 204), kHighlight, MakeColorRef(230, 242, 251), MakeColorRef(191, 221, 245),
                          MakeColorRef(208, 208, 208)}));

    // Selection wins over hot; the focus frame only with the focus.
    const struct {
        bool selected, hot, focus;
        ColorRef fill;
        bool frame;
    } backgrounds[] = {
        {false, false, true, c.window, false}, {false, true, false, c.hotBack, false},
        {true, true, true, c.selectedBack, true}, {true, true, false, c.inactiveSelectedBack, false},
    };
    for (const auto& b : backgrounds) {
        VolumeEntry entry;
        entry.selected = b.selected;
        entry.hot = b.hot;
        const ItemBackground background = BackgroundOf(entry, b.focus, c);
        EXPECT_EQ(background.fill, b.fill) << b.selected << b.hot << b.focus;
        EXPECT_EQ(background.focusFrame, b.frame) << b.selected << b.hot << b.focus;
    }
}

// ----- selection and the hot item --------------------------------------------

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

// Entries for drives C:, D:, ... laid out as at 96 DPI: 58 pixels high, 66
// apart from y = 4. flagged is the index (selected or hot) and whether its
// entry carries the flag: after a refresh that failed half-way it does not.
VolumeList MakeList(int count, int flagged, bool VolumeEntry::*flag, bool marked = true)
{
    VolumeList list;
    for (int i = 0; i < count; ++i) {
        VolumeEntry entry;
        entry.devicePath = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(L'C' + i) + L":";
        entry.itemRect = {4, 4 + 66 * i, 196, 62 + 66 * i};
        entry.*flag = marked && i == flagged;
        list.entries.push_back(entry);
    }
    (flag == &VolumeEntry::selected ? list.selectedIndex : list.hotIndex) = flagged;
    return list;
}

std::vector<int> Marked(const VolumeList& list, bool VolumeEntry::*flag)
{
    std::vector<int> marked;
    for (int i = 0; i < list.Count(); ++i)
        if (list.At(i)->*flag)
            marked.push_back(i);
    return marked;
}

std::vector<int> Only(const VolumeList& list, int index) { return list.At(index) ? std::vector<int>{index} : std::vector<int>{}; }

std::vector<int> Sorted(ItemsToRepaint items)
{
    std::sort(items.begin(), items.end());
    return items;
}

TEST(KeyboardSelection, UpAndDownMoveByOneWithoutWrapping)
{
    const struct {
        const char* what;
        int count, selected;
        std::uint32_t key;
        int selectedAfter;
        std::vector<int> repaint;
    } cases[] = {
        {"down to the last", 3, 1, kKeyDown, 2, {1, 2}}, {"up to the first", 3, 1, kKeyUp, 0, {0, 1}},
        {"down on the last", 3, 2, kKeyDown, 2, {}}, {"up on the first", 3, 0, kKeyUp, 0, {}},
        {"home is not handled", 3, 2, 0x24, 2, {}}, {"page down is not handled", 3, 1, 0x22, 1, {}},
        {"nothing selected", 3, -1, kKeyDown, -1, {}}, {"one entry", 1, 0, kKeyDown, 0, {}},
        // After a refresh that broke half-way the index may lie past the end.
        {"up from past a shrunk list", 2, 5, kKeyUp, 4, {}}, {"down from past a shrunk list", 2, 5, kKeyDown, 5, {}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(c.count, c.selected, &VolumeEntry::selected);
        RecordingListHost host;
        EXPECT_EQ(Sorted(MoveSelectionByKey(list, c.key, host)), c.repaint) << c.what;
        EXPECT_EQ(list.selectedIndex, c.selectedAfter) << c.what;
        EXPECT_EQ(Marked(list, &VolumeEntry::selected), Only(list, c.selectedAfter)) << c.what;
        EXPECT_EQ(host.opened, c.repaint.empty() ? std::vector<std::wstring>{} : std::vector{list.At(c.selectedAfter)->devicePath})
            << c.what;
    }
}

TEST(MouseSelection, APressSelectsTheHotEntryOnly)
{
    const struct {
        const char* what;
        int selected;
        bool marked;
        int hot, selectedAfter;
        std::vector<int> repaint;
    } cases[] = {
        {"another entry", 0, true, 2, 2, {0, 2}}, {"nothing selected before", -1, true, 1, 1, {1}},
        {"the selected entry again", 1, true, 1, 1, {}}, {"nothing hot", 0, true, -1, 0, {}},
        {"a hot index past the list", 0, true, 7, 0, {}},
        {"the old index, left unmarked by a failed refresh", 1, false, 1, 1, {1}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(3, c.selected, &VolumeEntry::selected, c.marked);
        list.hotIndex = c.hot;
        RecordingListHost host;
        EXPECT_EQ(Sorted(SelectHotEntry(list, host)), c.repaint) << c.what;
        EXPECT_EQ(list.selectedIndex, c.selectedAfter) << c.what;
        EXPECT_EQ(Marked(list, &VolumeEntry::selected), Only(list, c.selectedAfter)) << c.what;
        EXPECT_EQ(host.opened, c.repaint.empty() ? std::vector<std::wstring>{} : std::vector{list.At(c.hot)->devicePath}) << c.what;
    }
}

TEST(HotTracking, TheEntryUnderThePointerIsHot)
{
    const struct {
        const char* what;
        int hotBefore;
        bool marked;
        int x, y, hotAfter;
        std::vector<int> repaint;
    } cases[] = {
        {"onto the second item", -1, true, 100, 100, 1, {1}}, {"from the first to the second", 0, true, 100, 100, 1, {0, 1}},
        {"within the hot item", 1, true, 150, 120, 1, {}}, {"top-left corner belongs to the item", -1, true, 4, 70, 1, {1}},
        {"right edge does not", 1, true, 196, 100, -1, {1}}, {"into the gap between items", 0, true, 100, 64, -1, {0}},
        {"below the last item", -1, true, 100, 500, -1, {}},
        {"back to the index a refresh left unmarked", 1, false, 100, 100, 1, {1}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(3, c.hotBefore, &VolumeEntry::hot, c.marked);
        EXPECT_EQ(Sorted(TrackPointer(list, c.x, c.y)), c.repaint) << c.what;
        EXPECT_EQ(list.hotIndex, c.hotAfter) << c.what;
        EXPECT_EQ(Marked(list, &VolumeEntry::hot), Only(list, c.hotAfter)) << c.what;
    }

    VolumeList list = MakeList(3, 1, &VolumeEntry::hot);
    EXPECT_EQ(ClearHotEntry(list), std::vector<int>{1});  // the pointer left the pane
    EXPECT_EQ(list.hotIndex, -1);
    EXPECT_TRUE(Marked(list, &VolumeEntry::hot).empty());
    EXPECT_TRUE(ClearHotEntry(list).empty());
}

} // namespace
} // namespace trackkit
