#pragma once

#include "app/win32/frame_window.h"

namespace trackkit {

// Acts on a command of the menu bar or the View menu, as the command table
// says; anything that is not a command is ignored.
void RunFrameCommand(FrameWindow& frame, int command);

// Marks the View menu's current choices ("&Update Speed", "Block Size") from
// the settings.
void ShowChoiceMarks(const FrameWindow& frame);

// The View menu at a point of the screen, for the block map's right click:
// its choice is run like any other command.
void ShowViewMenuAt(FrameWindow& frame, POINT screenPoint);

} // namespace trackkit
