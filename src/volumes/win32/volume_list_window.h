#pragma once

#include <windows.h>

#include "common/locale_text.h"
#include "volumes/volume_list.h"
#include "volumes/volume_system.h"

namespace trackkit {

inline constexpr wchar_t kVolumeListClassName[] = L"VolumeListClass";

// Registers VolumeListClass for instance unless it is registered already.
bool RegisterVolumeListClass(HINSTANCE instance);

// Creates the volume list as a child of parent, with position and size zero
// and an empty list; the caller gives it its control id and the focus, and
// fills it with RefreshVolumeList. The class is registered first if needed.
// host hears of every selection; the volumes and their size texts come from
// system and locale. All three must outlive the window. Returns null when
// the window could not be created.
HWND CreateVolumeList(HWND parent, VolumeListHost& host, VolumeSystem& system, LocaleText& locale);

// Rebuilds the list from the system's volumes. keepSelection false selects
// the first volume; true keeps the selected position. The selected volume is
// handed to the host and the pane repainted. False when list is not a volume
// list or the volumes could not be enumerated (the list then shows what was
// gathered, unsorted and unselected, after its next paint).
bool RefreshVolumeList(HWND list, bool keepSelection);

// After every poll of the tracked volume: re-reads every entry's free space
// and repaints the list. Does nothing when list is not a volume list.
void RefreshVolumeListFreeSpace(HWND list);

// The list's entries and indices, read-only; null when list is not a volume
// list. Valid until the next refresh or the window's destruction.
const VolumeList* VolumeListOf(HWND list);

} // namespace trackkit
