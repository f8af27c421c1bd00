#include "volumes/list_colors.h"

#include <algorithm>
#include <cstdint>

namespace trackkit {
namespace {

std::uint32_t Channel(ColorRef color, int shift) { return color >> shift & 0xFFu; }

} // namespace

ColorRef BlendColor(ColorRef x, ColorRef y, int percent)
{
    const auto p = static_cast<std::uint32_t>(std::clamp(percent, 0, 100));
    ColorRef mixed = 0;
    for (int shift : {0, 8, 16}) {
        const std::uint32_t channel = (p * Channel(x, shift) + (100 - p) * Channel(y, shift) + 50) / 100;
        mixed |= channel << shift;
    }
    return mixed;
}

ListColors ComputeListColors(const SystemColors& s)
{
    ListColors c;
    c.text = s.windowText;
    c.dimText = BlendColor(s.windowText, s.window, 60);
    c.window = s.window;
    c.barBack = BlendColor(s.buttonFace, s.window, 80);
    c.barFrame = BlendColor(s.buttonShadow, s.window, 80);
    c.barFill = BlendColor(s.highlight, s.buttonShadow, 80);
    c.focus = s.highlight;
    c.hotBack = BlendColor(s.highlight, s.window, 10);
    c.selectedBack = BlendColor(s.highlight, s.window, 25);
    c.inactiveSelectedBack = BlendColor(s.buttonShadow, s.window, 50);
    return c;
}

ItemBackground BackgroundOf(const VolumeEntry& entry, bool paneHasFocus, const ListColors& colors)
{
    if (!entry.selected)
        return {entry.hot ? colors.hotBack : colors.window, false};
    if (paneHasFocus)
        return {colors.selectedBack, true};
    return {colors.inactiveSelectedBack, false};
}

} // namespace trackkit
