#include "tracelog/win32/flags_panel_paint.h"

#include <uxtheme.h>

#include "tracelog/flags_panel_layout.h"

namespace trackkit {
namespace {

constexpr int kListBoxBorderNoScroll = 3;  // LBCP_BORDER_NOSCROLL
constexpr int kBorderNormal = 1;

// The list box's border from the current theme; nothing without themes.
void DrawThemedBorder(HWND dialog, HDC dc, const Rect& box)
{
    HTHEME theme = OpenThemeData(dialog, L"LISTBOX");
    if (theme == nullptr)
        return;
    const RECT border{box.left, box.top, box.right, box.bottom};
    DrawThemeBackground(theme, dc, kListBoxBorderNoScroll, kBorderNormal, &border, nullptr);
    CloseThemeData(theme);
}

} // namespace

void PaintFlagsPanel(HWND dialog, const DRAWITEMSTRUCT& item, std::uint32_t flagWord, int dpiX)
{
    HDC dc = item.hDC;
    const Rect box{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
    SIZE line{};
    GetTextExtentPoint32W(dc, L"Yy", 2, &line);
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
    DrawThemedBorder(dialog, dc, FlagsPanelBorderBox(box));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    const FlagNameLayout layout = LayoutFlagNames(flagWord, FlagsPanelTextBox(box), line.cy, dpiX);
    for (std::size_t i = 0; i < layout.count; ++i) {
        const PlacedFlagName& placed = layout.names[i];
        const int length = static_cast<int>(placed.flag->nameBytes / sizeof(wchar_t)) - 1;
        TextOutW(dc, placed.x, placed.y, placed.flag->name, length);
    }
}

} // namespace trackkit
