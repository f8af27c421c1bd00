#include "tracelog/trace_row_colors.h"

#include "tracelog/flag_names.h"

namespace trackkit {

TraceRowColors RowColorsFor(std::uint32_t flags, bool dark, bool themeLoaded)
{
    TraceRowColors colors;
    colors.text = dark ? kTraceTextDark : kTraceTextLight;
    if ((flags & kCbtFlagShutdownPending) != 0)
        colors.background = dark ? kShutdownBackDark : kShutdownBackLight;
    else if ((flags & kCbtFlagVolumeOnline) != 0)
        colors.background = dark ? kOnlineBackDark : kOnlineBackLight;
    else if (dark && !themeLoaded)
        colors.text = kTraceTextLight;
    return colors;
}

} // namespace trackkit
