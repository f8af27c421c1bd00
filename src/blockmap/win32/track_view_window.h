#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "blockmap/hover.h"
#include "blockmap/view_state.h"

namespace trackkit {

inline constexpr wchar_t kTrackViewClassName[] = L"TrackViewClass";

// The pane's owner: it shows what the pane learns in the windows it owns.
class TrackViewHost {
public:
    virtual ~TrackViewHost() = default;
    // After every open and poll: the statistics rows, the volume list's
    // free-space texts, the debugger output.
    virtual void ShowPollReport(const PollReport& report) = 0;
    // The status bar's text while the mouse is over the map.
    virtual void ShowStatusText(std::wstring_view text) = 0;
    // A right click on the map, at a point of the screen: the View menu.
    virtual void ShowViewMenu(POINT screenPoint) = 0;
};

// What a block-map pane is created with (its creation parameter).
struct TrackViewCreation {
    TrackingDriver& driver;
    BitmapMemory& bitmapMemory;  // where the session bitmap lives
    TrackViewHost& host;
    std::uint32_t blockSize = kInitialBlockSize;  // cell size at 96 DPI
    std::uint32_t pollPeriod = kDefaultPollPeriod;
    ColorRef blockColor = 0;                      // cells whose blocks all changed
};

// Registers TrackViewClass unless it is registered already.
bool RegisterTrackViewClass(HINSTANCE instance);

// Creates the block-map pane as a child of parent, with position and size
// zero. The creation record is read during the call only.
HWND CreateTrackView(HWND parent, HINSTANCE instance, const TrackViewCreation& creation);

// The pane's view state, or null when the window is not a block-map pane
// with a record attached.
TrackViewState* TrackViewStateOf(HWND pane);

// Opens a volume for tracking in the pane (when the volume list's selection
// changes). Does nothing when the pane has no record.
void OpenTrackedVolumeInPane(HWND pane, std::wstring_view devicePath);

// One poll of the pane's volume, as its timer does ("&Refresh Now").
void PollTrackedVolumeInPane(HWND pane);

// "&Update Speed": the poll period; kPollPaused stops the timer.
void SetTrackViewPollPeriod(HWND pane, std::uint32_t period);

// "Block Size": the cell size at 96 DPI; the map is repainted.
void SetTrackViewBlockSize(HWND pane, std::uint32_t blockSize);

// Outlines the cells that hold these blocks of the open volume and repaints;
// no blocks remove the outline. Opening another volume removes it too. Does
// nothing when the pane has no record.
void OutlineBlocksInPane(HWND pane, std::vector<std::uint32_t> blocks);

// The size of the pane's off-screen bitmap; 0 x 0 when it has none.
SIZE TrackViewDibSize(HWND pane);

} // namespace trackkit
