#pragma once

#include "common/color.h"
#include "volumes/volume_list.h"

namespace trackkit {

// Mixes two colours channel by channel: percent of x and the rest of y,
// rounded half up. The top byte is 0. A percent outside 0 to 100 is taken as
// the nearer end.
ColorRef BlendColor(ColorRef x, ColorRef y, int percent);

// The system colours the list is drawn in (GetSysColor).
struct SystemColors {
    ColorRef windowText = 0;  // COLOR_WINDOWTEXT
    ColorRef window = 0;      // COLOR_WINDOW
    ColorRef buttonFace = 0;  // COLOR_BTNFACE
    ColorRef buttonShadow = 0; // COLOR_BTNSHADOW
    ColorRef highlight = 0;   // COLOR_HIGHLIGHT
};

struct ListColors {
    ColorRef text = 0;                  // first line; the drive letter of narrow items
    ColorRef dimText = 0;               // second line
    ColorRef window = 0;                // background
    ColorRef barBack = 0;               // inside of the usage bar
    ColorRef barFrame = 0;              // the bar's frame
    ColorRef barFill = 0;               // used part of the bar
    ColorRef focus = 0;                 // frame of the selected item while the pane has the focus
    ColorRef hotBack = 0;               // unselected item under the pointer
    ColorRef selectedBack = 0;          // selected item, pane focused
    ColorRef inactiveSelectedBack = 0;  // selected item, pane not focused
};

ListColors ComputeListColors(const SystemColors& system);

struct ItemBackground {
    ColorRef fill = 0;
    bool focusFrame = false;  // a one-pixel frame in the focus colour
};

ItemBackground BackgroundOf(const VolumeEntry& entry, bool paneHasFocus, const ListColors& colors);

} // namespace trackkit
