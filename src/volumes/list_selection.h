#pragma once

#include <cstdint>
#include <vector>

#include "volumes/volume_list.h"

namespace trackkit {

// The keys the list answers; every other key is ignored.
inline constexpr std::uint32_t kKeyUp = 0x26;    // VK_UP
inline constexpr std::uint32_t kKeyDown = 0x28;  // VK_DOWN

// The entries whose items must be repainted after a change, by index. An
// index may name no entry (the caller skips it); at most two are given.
using ItemsToRepaint = std::vector<int>;

// A mouse press selects the entry that the last pointer move made hot; the
// press position itself is not tested. Selecting hands the entry's device
// path to the host. Pressing the selected entry, or where no entry is hot,
// changes nothing.
ItemsToRepaint SelectHotEntry(VolumeList& list, VolumeListHost& host);

// Up and Down move the selection by one entry, without wrapping; other keys,
// and any key while nothing is selected, change nothing.
ItemsToRepaint MoveSelectionByKey(VolumeList& list, std::uint32_t virtualKey, VolumeListHost& host);

// The pointer moved to (x, y): the first entry whose item contains it becomes
// the hot one; no entry is hot when none does.
ItemsToRepaint TrackPointer(VolumeList& list, int x, int y);

// The pointer left the pane.
ItemsToRepaint ClearHotEntry(VolumeList& list);

} // namespace trackkit
