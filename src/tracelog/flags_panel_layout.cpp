#include "tracelog/flags_panel_layout.h"

#include "common/dpi.h"

namespace trackkit {
namespace {

Rect Shrink(const Rect& box, int by) { return {box.left + by, box.top + by, box.right - by, box.bottom - by}; }

} // namespace

Rect FlagsPanelBorderBox(const Rect& item) { return Shrink(item, kFlagsPanelBorderInset); }

Rect FlagsPanelTextBox(const Rect& item)
{
    return Shrink(item, kFlagsPanelBorderInset + kFlagsPanelTextInset);
}

FlagNameLayout LayoutFlagNames(std::uint32_t word, const Rect& textBox, int lineHeight, int dpiX)
{
    const int columnStep = ScaleForDpi(kFlagColumnStep, dpiX);
    FlagNameLayout layout;
    int x = textBox.left;
    int y = textBox.top;
    ForEachFlagName(word, [&](const CbtFlagName& flag) {
        layout.names[layout.count++] = {x, y, &flag};
        y += lineHeight;
        if (y > textBox.bottom - lineHeight) {
            y = textBox.top;
            x += columnStep;
        }
    });
    return layout;
}

} // namespace trackkit
