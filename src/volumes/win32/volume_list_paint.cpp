#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>

#include <string_view>

#include "common/win32/gdi_objects.h"
#include "volumes/win32/volume_list_state.h"

namespace trackkit {
namespace {

constexpr UINT kFirstLineFormat = DT_SINGLELINE | DT_END_ELLIPSIS;
constexpr UINT kSecondLineFormat = DT_SINGLELINE | DT_BOTTOM | DT_END_ELLIPSIS;
constexpr UINT kDriveLetterFormat = DT_SINGLELINE | DT_RIGHT;
// The drive letter and colon of "\\.\C:".
constexpr std::size_t kDriveLetterOffset = 4;

RECT ToRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Fills a rectangle with a colour without making a brush: an opaque text
// output with no text. An empty or inverted rectangle is left alone.
void FillSolid(HDC dc, const Rect& area, ColorRef color)
{
    if (area.Empty())
        return;
    const RECT rect = ToRect(area);
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void Frame(HDC dc, const Rect& area, HBRUSH brush)
{
    const RECT rect = ToRect(area);
    FrameRect(dc, &rect, brush);
}

void DrawLine(HDC dc, std::wstring_view text, const Rect& area, ColorRef color, UINT format)
{
    RECT rect = ToRect(area);
    SetTextColor(dc, color);
    DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, format);
}

void DrawIcon(HDC dc, const VolumeListRecord& record, const VolumeEntry& entry, const ItemLayout& layout)
{
    if (!record.imageList)
        return;
    IMAGELISTDRAWPARAMS params{};
    params.cbSize = sizeof(params);
    params.himl = IImageListToHIMAGELIST(record.imageList.get());
    params.i = entry.iconIndex;
    params.hdcDst = dc;
    params.x = layout.iconX;
    params.y = layout.iconY;
    params.cx = record.metrics.iconWidth;
    params.cy = record.metrics.iconHeight;
    params.rgbBk = CLR_NONE;
    params.rgbFg = CLR_NONE;
    params.fStyle = ILD_SCALE;
    params.dwRop = SRCCOPY;
    params.fState = ILS_NORMAL;
    record.imageList->Draw(&params);
}

void DrawVolumeItem(HDC dc, const VolumeListRecord& record, const VolumeEntry& entry)
{
    const Rect& item = entry.itemRect;
    const ItemBackground background = BackgroundOf(entry, record.hasFocus, record.colors);
    FillSolid(dc, item, background.fill);
    if (background.focusFrame)
        Frame(dc, item, record.focusBrush.Get());

    const ItemLayout layout = LayoutItem(item, record.metrics, entry.percentUsed);
    if (layout.wide) {
        DrawLine(dc, entry.displayName, layout.text, record.colors.text, kFirstLineFormat);
        DrawLine(dc, entry.freeSpaceText, layout.text, record.colors.dimText, kSecondLineFormat);
        Frame(dc, layout.barFrame, record.barFrameBrush.Get());
        FillSolid(dc, layout.barInside, record.colors.barBack);
        FillSolid(dc, layout.barUsed, record.colors.barFill);
    } else {
        const std::wstring_view path(entry.devicePath);
        const std::wstring_view letter = path.size() > kDriveLetterOffset ? path.substr(kDriveLetterOffset) : L"";
        DrawLine(dc, letter, layout.letterCell, record.colors.text, kDriveLetterFormat);
    }
    // Last, so that a narrow item's letter lies under the icon.
    DrawIcon(dc, record, entry, layout);
}

// Every item gets its rectangle at every paint, drawn or not: the hit tests
// of the mouse use them.
void PlaceAllItems(VolumeListRecord& record)
{
    RECT client{};
    GetClientRect(record.window, &client);
    PlaceItems(record.list, ContentRect(FromRect(client), GetScrollPos(record.window, SB_VERT), record.metrics),
               record.metrics);
}

// Draws the items that meet the paint rectangle, in client coordinates.
void DrawItems(HDC dc, const VolumeListRecord& record, const Rect& paintArea)
{
    for (const VolumeEntry& entry : record.list.entries) {
        if (entry.itemRect.Intersects(paintArea))
            DrawVolumeItem(dc, record, entry);
    }
}

} // namespace

void PaintVolumeList(VolumeListRecord& record)
{
    PaintScope paint(record.window);
    const Rect area = FromRect(paint.Area());
    PlaceAllItems(record);
    if (area.Empty() || paint.Dc() == nullptr)
        return;
    UniqueMemoryDc memory = CreateMemoryDc(paint.Dc());
    UniqueBitmap bitmap(CreateCompatibleBitmap(paint.Dc(), area.Width(), area.Height()));
    if (!memory || !bitmap)
        return;
    {
        SelectedObject selectedBitmap(memory.Get(), bitmap.Get());
        // The off-screen bitmap covers only the paint rectangle; moving the
        // origin lets everything be drawn in client coordinates.
        SetViewportOrgEx(memory.Get(), -area.left, -area.top, nullptr);
        FillSolid(memory.Get(), area, record.colors.window);
        {
            SelectedObject selectedFont(memory.Get(), record.font);
            // Text goes over the item's own background, not a box of its own.
            SetBkMode(memory.Get(), TRANSPARENT);
            DrawItems(memory.Get(), record, area);
        }
        SetViewportOrgEx(memory.Get(), 0, 0, nullptr);
        BitBlt(paint.Dc(), area.left, area.top, area.Width(), area.Height(), memory.Get(), 0, 0, SRCCOPY);
    }
    const RECT painted = ToRect(area);
    ValidateRect(record.window, &painted);
}

} // namespace trackkit
