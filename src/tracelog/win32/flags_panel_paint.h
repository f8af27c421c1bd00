#pragma once

#include <windows.h>

#include <cstdint>

namespace trackkit {

// Draws the flags panel (the owner-drawn button) for WM_DRAWITEM: the
// window colour, the list box's themed border when themes are on, and the
// names of the word's bits in columns spaced for the dialog's DPI.
void PaintFlagsPanel(HWND dialog, const DRAWITEMSTRUCT& item, std::uint32_t flagWord, int dpiX);

} // namespace trackkit
