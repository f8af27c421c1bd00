#pragma once

#include <windows.h>

#include <cstdint>

#include "widgets/about_animation.h"

namespace trackkit {

// Opens the modal About box owned by `owner` and returns when it closes.
// Its dialog and picture come from the resources of `resources`.
void ShowAboutBox(HINSTANCE resources, HWND owner);

// The clock that the picture's animation reads: GetTickCount in the program.
using TickSource = std::uint32_t (*)();

// The About box from the dialog resources of `resources`, its animation
// reading `ticks`. Returns IDOK or IDCANCEL as the dialog ended, or what
// DialogBoxParamW returns when it cannot be shown (0 or -1).
INT_PTR RunAboutBox(HINSTANCE resources, HWND owner, TickSource ticks);

// The same dialog, modeless, for a look inside it. The caller destroys it;
// while it lives, its message loop must pass messages through
// IsDialogMessageW for the keyboard to reach it. OK and Escape hide it.
HWND CreateAboutBox(HINSTANCE resources, HWND owner, TickSource ticks);

// The animation of an open About box; null for any other window.
const AboutAnimation* AboutAnimationOf(HWND dialog);

} // namespace trackkit
