#pragma once

#include <cstdint>
#include <optional>

#include "common/color.h"

namespace trackkit {

// The colours of one trace log row. Rows whose volume is online or shutting
// down get a background of their own and text by the dark flag. The others
// keep the list's own background. The maker's theme library is what darkens
// the list in dark mode; without it the list stays white, and the dark
// flag's light text would vanish on it, so plain rows then keep dark text.
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

// The shutdown-pending bit wins over the online bit. themeLoaded tells
// whether the maker's theme library is loaded in the process.
TraceRowColors RowColorsFor(std::uint32_t flags, bool dark, bool themeLoaded);

} // namespace trackkit
