#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/rect.h"
#include "tracelog/flag_names.h"

namespace trackkit {

// The panel's border sits 1 pixel inside its rectangle and the names 8
// pixels inside the border. A new column starts 600 pixels to the right at
// 96 DPI, scaled with the dialog's horizontal DPI.
inline constexpr int kFlagsPanelBorderInset = 1;
inline constexpr int kFlagsPanelTextInset = 8;
inline constexpr int kFlagColumnStep = 600;

struct PlacedFlagName {
    int x = 0;
    int y = 0;
    const CbtFlagName* flag = nullptr;
};

// At most one place per row of CbtFlagTable, so laying out never allocates.
struct FlagNameLayout {
    std::array<PlacedFlagName, kCbtFlagCount> names{};
    std::size_t count = 0;
};

// The rectangle the border is drawn in, and the one the names start in.
Rect FlagsPanelBorderBox(const Rect& item);
Rect FlagsPanelTextBox(const Rect& item);

// The names of the word's bits in table order, one line height apart from
// the text box's top-left corner; when the next top would pass the bottom
// minus one line height, the names go on at the top of a column 600 pixels
// (at 96 DPI) further right.
FlagNameLayout LayoutFlagNames(std::uint32_t word, const Rect& textBox, int lineHeight, int dpiX);

} // namespace trackkit
