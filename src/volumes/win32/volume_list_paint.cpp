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

// BeginPaint on construction, EndPaint when it goes away.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Dc() const { return dc_; }
    Rect Area() const { return FromRect(paint_.rcPaint); }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

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

void DrawIcon(HDC dc, const VolumeListState& state, const VolumeEntry& entry, const ItemLayout& layout)
{
    if (!state.imageList)
        return;
    IMAGELISTDRAWPARAMS params{};
    params.cbSize = sizeof(params);
    params.himl = IImageListToHIMAGELIST(state.imageList.get());
    params.i = entry.iconIndex;
    params.hdcDst = dc;
    params.x = layout.iconX;
    params.y = layout.iconY;
    params.cx = state.metrics.iconWidth;
    params.cy = state.metrics.iconHeight;
    params.rgbBk = CLR_NONE;
    params.rgbFg = CLR_NONE;
    params.fStyle = ILD_SCALE;
    params.dwRop = SRCCOPY;
    params.fState = ILS_NORMAL;
    state.imageList->Draw(&params);
}

void DrawVolumeItem(HDC dc, const VolumeListState& state, const VolumeEntry& entry)
{
    const Rect& item = entry.itemRect;
    const ItemBackground background = BackgroundOf(entry, state.hasFocus, state.colors);
    FillSolid(dc, item, background.fill);
    if (background.focusFrame)
        Frame(dc, item, state.focusBrush.Get());

    const ItemLayout layout = LayoutItem(item, state.metrics, entry.percentUsed);
    if (layout.wide) {
        DrawLine(dc, entry.displayName, layout.text, state.colors.text, kFirstLineFormat);
        DrawLine(dc, entry.freeSpaceText, layout.text, state.colors.dimText, kSecondLineFormat);
        Frame(dc, layout.barFrame, state.barFrameBrush.Get());
        FillSolid(dc, layout.barInside, state.colors.barBack);
        FillSolid(dc, layout.barUsed, state.colors.barFill);
    } else {
        const std::wstring_view path(entry.devicePath);
        const std::wstring_view letter = path.size() > kDriveLetterOffset ? path.substr(kDriveLetterOffset) : L"";
        DrawLine(dc, letter, layout.letterCell, state.colors.text, kDriveLetterFormat);
    }
    // Last, so that a narrow item's letter lies under the icon.
    DrawIcon(dc, state, entry, layout);
}

// Every item gets its rectangle at every paint, drawn or not: the hit tests
// of the mouse use them.
void PlaceAllItems(HWND window, VolumeListState& state)
{
    RECT client{};
    GetClientRect(window, &client);
    PlaceItems(state.list, ContentRect(FromRect(client), GetScrollPos(window, SB_VERT), state.metrics), state.metrics);
}

// Draws the items that meet the paint rectangle, in client coordinates.
void DrawItems(HDC dc, const VolumeListState& state, const Rect& paintArea)
{
    for (const VolumeEntry& entry : state.list.entries) {
        if (entry.itemRect.Intersects(paintArea))
            DrawVolumeItem(dc, state, entry);
    }
}

} // namespace

void PaintVolumeList(HWND window, VolumeListState& state)
{
    PaintSession paint(window);
    const Rect area = paint.Area();
    PlaceAllItems(window, state);
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
        FillSolid(memory.Get(), area, state.colors.window);
        {
            SelectedObject selectedFont(memory.Get(), state.font);
            // Text goes over the item's own background, not a box of its own.
            SetBkMode(memory.Get(), TRANSPARENT);
            DrawItems(memory.Get(), state, area);
        }
        SetViewportOrgEx(memory.Get(), 0, 0, nullptr);
        BitBlt(paint.Dc(), area.left, area.top, area.Width(), area.Height(), memory.Get(), 0, 0, SRCCOPY);
    }
    const RECT painted = ToRect(area);
    ValidateRect(window, &painted);
}

} // namespace trackkit
