#pragma once

#include <windows.h>

#include <string_view>

#include "blockmap/hover.h"
#include "blockmap/view_state.h"

namespace trackkit {

inline constexpr wchar_t kTrackViewClassName[] = L"TrackViewClass";

// Registers TrackViewClass unless it is registered already.
bool RegisterTrackViewClass(HINSTANCE instance);

// Creates the block-map pane as a child of parent, with position and size
// zero; its record takes the block size and poll period from the settings.
HWND CreateTrackView(HWND parent, HINSTANCE instance);

// The pane's record, or null when the window is not a block-map pane with a
// record attached.
TrackViewState* TrackViewStateOf(HWND pane);

// Opens a volume for tracking in the pane (the volume list calls this when
// its selection changes). Does nothing when the pane has no record.
void OpenTrackedVolumeInPane(HWND pane, std::wstring_view devicePath);

// Who refreshes the volume list's free-space texts on every poll.
void SetFreeSpaceRefresher(HWND pane, FreeSpaceRefresher* refresher);

// One poll of the pane's volume, as its timer does.
void PollTrackedVolumeInPane(HWND pane);

// The size of the pane's off-screen bitmap; 0 x 0 when it has none.
SIZE TrackViewDibSize(HWND pane);

} // namespace trackkit
