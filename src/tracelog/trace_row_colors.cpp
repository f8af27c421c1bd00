#include "tracelog/trace_row_colors.h"

#include "tracelog/flag_names.h"

namespace trackkit {

bool IsDarkColor(ColorRef color)
{
    const unsigned red = color & 0xFF;
    const unsigned green = (color >> 8) & 0xFF;
    const unsigned blue = (color >> 16) & 0xFF;
    return 299 * red + 587 * green + 114 * blue < 128 * 1000;
}

TraceRowColors RowColorsFor(std::uint32_t flags, bool dark, ColorRef listBackground)
{
    TraceRowColors colors;
    colors.text = dark ? kTraceTextDark : kTraceTextLight;
    if ((flags & kCbtFlagShutdownPending) != 0)
        colors.background = dark ? kShutdownBackDark : kShutdownBackLight;
    else if ((flags & kCbtFlagVolumeOnline) != 0)
        colors.background = dark ? kOnlineBackDark : kOnlineBackLight;
    else if (dark && !IsDarkColor(listBackground))
        colors.text = kTraceTextLight;
    return colors;
}

} // namespace trackkit
