#pragma once

#include <cstdint>
#include <optional>

#include "volumes/volume_list.h"

namespace trackkit {

// The scroll line is 16 pixels whatever the DPI.
inline constexpr int kScrollLineStep = 16;

// The pane's measures, fixed when it is created.
struct ListMetrics {
    int iconWidth = 48;   // system icon width and a half: the icon cell
    int iconHeight = 48;
    int marginX = 4;      // 4 pixels at 96 DPI
    int marginY = 4;
    int spacingX = 4;     // = marginX
    int spacingY = 4;     // = marginY
    int fontHeight = 0;   // tmHeight of the list's font
};

ListMetrics ComputeListMetrics(int dpiX, int dpiY, int systemIconWidth, int systemIconHeight, int fontHeight);

inline int ItemHeight(const ListMetrics& m) { return m.iconHeight + 2 * m.spacingY + 2; }
inline int ItemGap(const ListMetrics& m) { return 2 * m.spacingY; }
inline int ItemPitch(const ListMetrics& m) { return ItemHeight(m) + ItemGap(m); }

// The area the items are laid out in: the client area scrolled up by the
// scroll position and shrunk by the margins, never narrower than the icon
// cell and one margin.
Rect ContentRect(const Rect& client, int scrollPosition, const ListMetrics& m);

// Stores each entry's item rectangle, one item height tall, one pitch apart,
// from the content area's top.
void PlaceItems(VolumeList& list, const Rect& content, const ListMetrics& m);

// Where the parts of one item go.
struct ItemLayout {
    Rect text;         // both text lines
    bool wide = false;     // false: too narrow for text, only the drive letter beside the icon
    Rect barFrame;     // the usage bar's one-pixel frame
    Rect barInside;    // inside the frame
    Rect barUsed;      // the used share of barInside
    Rect letterCell;   // narrow items: the drive letter, right-aligned in the icon cell
    int iconX = 0;         // the icon's top-left corner
    int iconY = 0;
};

ItemLayout LayoutItem(const Rect& item, const ListMetrics& m, std::uint32_t percentUsed);

// The vertical scroll bar's range: the whole list, one page a client height.
struct ScrollRange {
    int minimum = 0;
    int maximum = 0;
    int page = 0;
};

ScrollRange ScrollRangeFor(int entryCount, const ListMetrics& m, int clientHeight);

// What GetScrollInfo reports.
struct ScrollState {
    int minimum = 0;
    int maximum = 0;
    int page = 0;
    int position = 0;
    int trackPosition = 0;
};

// The position a scroll request moves to, clamped to the range; nothing when
// the request is unknown or would not move. The request codes are those of
// WM_VSCROLL (SB_LINEUP 0 to SB_BOTTOM 7).
std::optional<int> ScrollTarget(std::uint32_t requestCode, const ScrollState& state);

} // namespace trackkit
