#include "volumes/list_selection.h"

#include <string>

namespace trackkit {
namespace {

// Clears the flag of the entry at index, if there is one, and names it for
// repainting.
void ClearSelected(VolumeList& list, int index, ItemsToRepaint& repaint)
{
    if (VolumeEntry* entry = list.At(index)) {
        entry->selected = false;
        repaint.push_back(index);
    }
}

void ClearHot(VolumeList& list, int index, ItemsToRepaint& repaint)
{
    if (VolumeEntry* entry = list.At(index)) {
        entry->hot = false;
        repaint.push_back(index);
    }
}

// Marks the entry at index selected and tells the host; nothing when the
// index names no entry.
void MarkSelected(VolumeList& list, int index, VolumeListHost& host, ItemsToRepaint& repaint)
{
    if (VolumeEntry* entry = list.At(index)) {
        entry->selected = true;
        repaint.push_back(index);
        // The host gets its own copy: whatever it does to the list while it
        // opens the volume cannot pull the path from under it.
        const std::wstring devicePath = entry->devicePath;
        host.OpenTrackedVolume(devicePath);
    }
}

int FirstEntryAt(const VolumeList& list, int x, int y)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (list.At(i)->itemRect.Contains(x, y))
            return i;
    }
    return -1;
}

} // namespace

ItemsToRepaint SelectHotEntry(VolumeList& list, VolumeListHost& host)
{
    ItemsToRepaint repaint;
    const VolumeEntry* hot = list.At(list.hotIndex);
    if (hot == nullptr || hot->selected)
        return repaint;
    MarkSelected(list, list.hotIndex, host, repaint);
    // After a refresh that failed half-way the old index can name this very
    // entry, unmarked; clearing it would undo the selection just made.
    if (list.selectedIndex != list.hotIndex)
        ClearSelected(list, list.selectedIndex, repaint);
    list.selectedIndex = list.hotIndex;
    return repaint;
}

ItemsToRepaint MoveSelectionByKey(VolumeList& list, std::uint32_t virtualKey, VolumeListHost& host)
{
    ItemsToRepaint repaint;
    if (list.selectedIndex == -1)
        return repaint;
    int step = 0;
    if (virtualKey == kKeyUp && list.selectedIndex >= 1)
        step = -1;
    else if (virtualKey == kKeyDown && list.selectedIndex < list.Count() - 1)
        step = 1;
    if (step == 0)
        return repaint;
    ClearSelected(list, list.selectedIndex, repaint);
    const int next = list.selectedIndex + step;
    MarkSelected(list, next, host, repaint);
    list.selectedIndex = next;
    return repaint;
}

ItemsToRepaint TrackPointer(VolumeList& list, int x, int y)
{
    ItemsToRepaint repaint;
    const int index = FirstEntryAt(list, x, y);
    if (index == -1)
        return ClearHotEntry(list);
    VolumeEntry& entry = *list.At(index);
    if (entry.hot)
        return repaint;
    entry.hot = true;
    repaint.push_back(index);
    // A refresh leaves the hot index but builds entries that are not hot;
    // when the pointer comes back to that index, the entry must stay hot.
    if (list.hotIndex != index)
        ClearHot(list, list.hotIndex, repaint);
    list.hotIndex = index;
    return repaint;
}

ItemsToRepaint ClearHotEntry(VolumeList& list)
{
    ItemsToRepaint repaint;
    ClearHot(list, list.hotIndex, repaint);
    list.hotIndex = -1;
    return repaint;
}

} // namespace trackkit
