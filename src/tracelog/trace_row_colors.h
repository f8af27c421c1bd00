#pragma once

#include <cstdint>
#include <optional>

#include "blockmap/colors.h"

namespace trackkit {

// The colours of one trace log row. Rows whose volume is online or shutting
// down get a background of their own and text by the dark flag. The others
// keep the list's own background, and their text must stay readable on it:
// the dark flag's light text is used only when that background is dark too
// (without the maker's theme the list stays white in dark mode).
struct TraceRowColors {
    ColorRef text = 0;
    std::optional<ColorRef> background;
};

inline constexpr ColorRef kTraceTextLight = MakeColorRef(8, 8, 8);
inline constexpr ColorRef kTraceTextDark = MakeColorRef(233, 234, 235);
inline constexpr ColorRef kShutdownBackLight = MakeColorRef(245, 218, 214);
inline constexpr ColorRef kShutdownBackDark = MakeColorRef(136, 20, 33);
inline constexpr ColorRef kOnlineBackLight = MakeColorRef(222, 247, 224);
inline constexpr ColorRef kOnlineBackDark = MakeColorRef(24, 92, 55);

// The shutdown-pending bit wins over the online bit. listBackground is the
// colour the list paints rows without a background of their own.
TraceRowColors RowColorsFor(std::uint32_t flags, bool dark, ColorRef listBackground);

// Whether a colour is closer to black than to white (by its luma).
bool IsDarkColor(ColorRef color);

} // namespace trackkit
