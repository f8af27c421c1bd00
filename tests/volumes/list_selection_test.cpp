// What the mouse and the keyboard do to the selection and the hot item.
#include "volumes/list_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trackkit {
namespace {

struct RecordingListHost final : VolumeListHost {
    std::vector<std::wstring> opened;
    void OpenTrackedVolume(std::wstring_view devicePath) override { opened.emplace_back(devicePath); }
};

constexpr std::uint32_t kKeyHome = 0x24;
constexpr std::uint32_t kKeyEnd = 0x23;
constexpr std::uint32_t kKeyLeft = 0x25;
constexpr std::uint32_t kKeyPageDown = 0x22;

// count entries for drives C:, D:, ... stacked 58 pixels high and 66 apart
// from y = 4, as the pane lays them out at 96 DPI; the one at selected is
// marked.
VolumeList MakeList(int count, int selected)
{
    VolumeList list;
    for (int i = 0; i < count; ++i) {
        VolumeEntry entry;
        entry.devicePath = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(L'C' + i) + L":";
        entry.itemRect = {4, 4 + 66 * i, 196, 62 + 66 * i};
        entry.selected = i == selected;
        list.entries.push_back(entry);
    }
    list.selectedIndex = selected;
    return list;
}

std::vector<int> MarkedSelected(const VolumeList& list)
{
    std::vector<int> marked;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.At(i)->selected)
            marked.push_back(i);
    }
    return marked;
}

std::vector<int> MarkedHot(const VolumeList& list)
{
    std::vector<int> marked;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.At(i)->hot)
            marked.push_back(i);
    }
    return marked;
}

std::vector<int> Sorted(ItemsToRepaint items)
{
    std::sort(items.begin(), items.end());
    return items;
}

TEST(KeyboardSelection, UpAndDownMoveByOneWithoutWrapping)
{
    const struct {
        const char* what;
        int count;
        int selected;
        std::uint32_t key;
        int selectedAfter;
        std::vector<std::wstring> opened;
        std::vector<int> repaint;
    } cases[] = {
        {"down", 3, 0, kKeyDown, 1, {L"\\\\.\\D:"}, {0, 1}},
        {"up", 3, 2, kKeyUp, 1, {L"\\\\.\\D:"}, {1, 2}},
        {"down on the last", 3, 2, kKeyDown, 2, {}, {}},
        {"up on the first", 3, 0, kKeyUp, 0, {}, {}},
        {"home is not handled", 3, 2, kKeyHome, 2, {}, {}},
        {"end is not handled", 3, 0, kKeyEnd, 0, {}, {}},
        {"left", 3, 1, kKeyLeft, 1, {}, {}},
        {"page down", 3, 1, kKeyPageDown, 1, {}, {}},
        {"down with nothing selected", 3, -1, kKeyDown, -1, {}, {}},
        {"up with nothing selected", 3, -1, kKeyUp, -1, {}, {}},
        {"down in a one-entry list", 1, 0, kKeyDown, 0, {}, {}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(c.count, c.selected);
        RecordingListHost host;

        const ItemsToRepaint repaint = MoveSelectionByKey(list, c.key, host);
        EXPECT_EQ(list.selectedIndex, c.selectedAfter) << c.what;
        EXPECT_EQ(host.opened, c.opened) << c.what;
        EXPECT_EQ(Sorted(repaint), c.repaint) << c.what;
        EXPECT_EQ(MarkedSelected(list), c.selectedAfter == -1 ? std::vector<int>{} : std::vector<int>{c.selectedAfter})
            << c.what;
    }
}

TEST(KeyboardSelection, AnIndexPastAShrunkenListNeverReachesAMissingEntry)
{
    // After a refresh that broke half-way the index may lie past the end.
    VolumeList list = MakeList(2, -1);
    list.selectedIndex = 5;
    RecordingListHost host;

    EXPECT_TRUE(MoveSelectionByKey(list, kKeyUp, host).empty());
    EXPECT_EQ(list.selectedIndex, 4);
    EXPECT_TRUE(host.opened.empty());
    EXPECT_TRUE(MoveSelectionByKey(list, kKeyDown, host).empty());
    EXPECT_EQ(list.selectedIndex, 4);
}

TEST(MouseSelection, APressSelectsTheHotEntryOnly)
{
    const struct {
        const char* what;
        int selected;
        int hot;
        int selectedAfter;
        std::vector<std::wstring> opened;
        std::vector<int> repaint;
    } cases[] = {
        {"another entry", 0, 2, 2, {L"\\\\.\\E:"}, {0, 2}},
        {"with nothing selected before", -1, 1, 1, {L"\\\\.\\D:"}, {1}},
        {"the selected entry again", 1, 1, 1, {}, {}},
        {"without a move first (nothing hot)", 0, -1, 0, {}, {}},
        {"a hot index past the list", 0, 7, 0, {}, {}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(3, c.selected);
        list.hotIndex = c.hot;
        RecordingListHost host;

        const ItemsToRepaint repaint = SelectHotEntry(list, host);
        EXPECT_EQ(list.selectedIndex, c.selectedAfter) << c.what;
        EXPECT_EQ(host.opened, c.opened) << c.what;
        EXPECT_EQ(Sorted(repaint), c.repaint) << c.what;
        EXPECT_EQ(MarkedSelected(list), c.selectedAfter == -1 ? std::vector<int>{} : std::vector<int>{c.selectedAfter})
            << c.what;
    }
}

TEST(MouseSelection, SelectingTheEntryAtAnUnmarkedOldIndexKeepsItSelected)
{
    // A refresh that broke half-way keeps the index but marks nothing.
    VolumeList list = MakeList(3, -1);
    list.selectedIndex = 1;
    list.hotIndex = 1;
    RecordingListHost host;

    SelectHotEntry(list, host);
    EXPECT_EQ(MarkedSelected(list), std::vector<int>{1});
    EXPECT_EQ(host.opened, std::vector<std::wstring>{L"\\\\.\\D:"});
}

TEST(HotTracking, TheEntryUnderThePointerIsHot)
{
    const struct {
        const char* what;
        int hotBefore;
        int x;
        int y;
        int hotAfter;
        std::vector<int> repaint;
    } cases[] = {
        {"onto the second item", -1, 100, 100, 1, {1}},
        {"from the first to the second", 0, 100, 100, 1, {0, 1}},
        {"within the hot item", 1, 150, 120, 1, {}},
        {"top-left corner belongs to the item", -1, 4, 70, 1, {1}},
        {"right edge does not", 1, 196, 100, -1, {1}},
        {"bottom edge does not", 1, 100, 128, -1, {1}},
        {"into the gap between items", 0, 100, 64, -1, {0}},
        {"below the last item", -1, 100, 500, -1, {}},
        {"left of the items", 2, 0, 150, -1, {2}},
        {"negative coordinates", 0, -5, -5, -1, {0}},
    };
    for (const auto& c : cases) {
        VolumeList list = MakeList(3, 0);
        list.hotIndex = c.hotBefore;
        if (c.hotBefore != -1)
            list.entries[static_cast<std::size_t>(c.hotBefore)].hot = true;

        const ItemsToRepaint repaint = TrackPointer(list, c.x, c.y);
        EXPECT_EQ(list.hotIndex, c.hotAfter) << c.what;
        EXPECT_EQ(Sorted(repaint), c.repaint) << c.what;
        EXPECT_EQ(MarkedHot(list), c.hotAfter == -1 ? std::vector<int>{} : std::vector<int>{c.hotAfter}) << c.what;
    }
}

TEST(HotTracking, BeforeTheFirstPaintNothingIsHit)
{
    VolumeList list = MakeList(3, 0);
    for (VolumeEntry& entry : list.entries)
        entry.itemRect = {};
    EXPECT_TRUE(TrackPointer(list, 0, 0).empty());
    EXPECT_EQ(list.hotIndex, -1);
}

TEST(HotTracking, TheHotIndexLeftByARefreshBecomesHotAgain)
{
    // A refresh keeps the index but builds entries that are not hot.
    VolumeList list = MakeList(3, 0);
    list.hotIndex = 1;

    TrackPointer(list, 100, 100);
    EXPECT_EQ(MarkedHot(list), std::vector<int>{1});
    EXPECT_EQ(list.hotIndex, 1);
}

TEST(HotTracking, LeavingThePaneClearsTheHotEntry)
{
    VolumeList list = MakeList(3, 0);
    TrackPointer(list, 100, 100);

    EXPECT_EQ(ClearHotEntry(list), std::vector<int>{1});
    EXPECT_EQ(list.hotIndex, -1);
    EXPECT_TRUE(MarkedHot(list).empty());
    EXPECT_TRUE(ClearHotEntry(list).empty());
}

} // namespace
} // namespace trackkit
