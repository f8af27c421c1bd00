#include "volumes/list_geometry.h"

#include <algorithm>
#include <limits>

#include "common/dpi.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kFullPercent = 100;

int ClampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

Rect Shrunk(const Rect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// The bar lies between the two text lines, half a spacing away from each.
Rect BarFrame(const Rect& text, const ListMetrics& m)
{
    return {text.left, text.top + m.spacingY / 2 + m.fontHeight, text.right,
            text.bottom - m.spacingY / 2 - m.fontHeight};
}

} // namespace

ListMetrics ComputeListMetrics(int dpiX, int dpiY, int systemIconWidth, int systemIconHeight, int fontHeight)
{
    ListMetrics m;
    m.marginX = ScaleForDpi(4, dpiX);
    m.marginY = ScaleForDpi(4, dpiY);
    m.spacingX = m.marginX;
    m.spacingY = m.marginY;
    m.iconWidth = systemIconWidth + systemIconWidth / 2;
    m.iconHeight = systemIconHeight + systemIconHeight / 2;
    m.fontHeight = fontHeight;
    return m;
}

Rect ContentRect(const Rect& client, int scrollPosition, const ListMetrics& m)
{
    Rect k{client.left + m.marginX, client.top - scrollPosition + m.marginY, client.right - m.marginX,
               client.bottom - scrollPosition - m.marginY};
    k.right = std::max(k.right, k.left + m.iconWidth + m.marginX);
    return k;
}

void PlaceItems(VolumeList& list, const Rect& content, const ListMetrics& m)
{
    std::int64_t top = content.top;
    for (VolumeEntry& entry : list.entries) {
        const int itemTop = ClampToInt(top);
        entry.itemRect = {content.left, itemTop, content.right, ClampToInt(top + ItemHeight(m))};
        top += ItemPitch(m);
    }
}

ItemLayout LayoutItem(const Rect& item, const ListMetrics& m, std::uint32_t percentUsed)
{
    ItemLayout layout;
    layout.text = {item.left + 1 + m.iconWidth + 2 * m.marginX, item.top + 1 + m.spacingY, item.right - m.marginX - 1,
                   item.bottom - m.spacingY - 1};
    layout.wide = layout.text.right > layout.text.left + 2;
    layout.iconX = item.left + m.marginX;
    layout.iconY = item.top + m.spacingY;
    if (!layout.wide) {
        layout.letterCell = {item.left + m.marginX, item.top + m.spacingY, item.left + m.iconWidth,
                             item.top + m.spacingY + m.iconHeight};
        return layout;
    }
    layout.barFrame = BarFrame(layout.text, m);
    layout.barInside = Shrunk(layout.barFrame, 1);
    layout.barUsed = layout.barInside;
    // A used count past the total (the free count was larger) would draw past
    // the bar; the fill stops at the bar's end.
    const int percent = static_cast<int>(std::min(percentUsed, kFullPercent));
    layout.barUsed.right = layout.barInside.left + MulDiv(percent, layout.barInside.Width(), 100);
    return layout;
}

ScrollRange ScrollRangeFor(int entryCount, const ListMetrics& m, int clientHeight)
{
    return {0, ClampToInt(std::int64_t{entryCount} * ItemPitch(m)), std::max(clientHeight, 0)};
}

std::optional<int> ScrollTarget(std::uint32_t requestCode, const ScrollState& state)
{
    std::int64_t target = state.position;
    switch (requestCode) {
    case 0: target -= kScrollLineStep; break;                  // SB_LINEUP
    case 1: target += kScrollLineStep; break;                  // SB_LINEDOWN
    case 2: target -= state.page; break;                       // SB_PAGEUP
    case 3: target += state.page; break;                       // SB_PAGEDOWN
    case 4:                                                    // SB_THUMBPOSITION
    case 5: target = state.trackPosition; break;               // SB_THUMBTRACK
    case 6: target = state.minimum; break;                     // SB_TOP
    case 7: target = state.maximum; break;                     // SB_BOTTOM
    default: return std::nullopt;
    }
    if (target == state.position)
        return std::nullopt;
    return ClampToInt(std::clamp<std::int64_t>(target, state.minimum, std::max(state.minimum, state.maximum)));
}

} // namespace trackkit
