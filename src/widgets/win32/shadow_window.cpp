#include "widgets/win32/shadow_window.h"

#include <cstdint>
#include <memory>
#include <new>
#include <span>

#include "common/win32/gdi_objects.h"
#include "common/win32/window_class.h"
#include "common/win32/window_record.h"
#include "widgets/drag_shadow_image.h"

namespace trackkit {
namespace {

// Widgets redraw whole on resize and keep their device context.
constexpr UINT kWidgetClassStyle = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;

// A shadow needs nothing but its window: its image is made again from its
// size whenever that changes.
struct ShadowRecord {
    HWND window = nullptr;

    static std::unique_ptr<ShadowRecord> Create(HWND window, const CREATESTRUCTW&)
    {
        std::unique_ptr<ShadowRecord> record(new (std::nothrow) ShadowRecord{});
        if (record != nullptr)
            record->window = window;
        return record;
    }
};

// Gives the layered window its image. Re-rendered on every change of size; a
// pure move reuses what the system already holds.
void RenderShadow(HWND shadow)
{
    RECT client{};
    if (!GetClientRect(shadow, &client) || IsRectEmpty(&client))
        return;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    WindowDc windowDc(shadow);
    if (!windowDc)
        return;
    UniqueMemoryDc memory = CreateMemoryDc(windowDc.Get());
    if (!memory)
        return;
    UniqueBitmap image = CreateShadowImage(windowDc.Get(), width, height);
    if (!image)
        return;
    SelectedObject selected(memory.Get(), image.Get());
    SIZE size{width, height};
    POINT source{client.left, client.top};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(shadow, nullptr, nullptr, &size, memory.Get(), &source, 0, &blend, ULW_ALPHA);
}

void PaintBlack(HWND shadow)
{
    PaintScope paint(shadow);
    SetBkColor(paint.Dc(), RGB(0, 0, 0));
    ExtTextOutW(paint.Dc(), 0, 0, ETO_OPAQUE, &paint.Area(), nullptr, 0, nullptr);
    ValidateRect(shadow, nullptr);
}

LRESULT HandleShadowMessage(ShadowRecord& shadow, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        RenderShadow(shadow.window);
        return 0;
    case WM_PAINT:
        PaintBlack(shadow.window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        // The mouse goes to whatever lies beneath, even the splitter that
        // moves the shadow.
        return HTTRANSPARENT;
    default:
        return DefWindowProcW(shadow.window, message, wParam, lParam);
    }
}

} // namespace

UniqueBitmap CreateShadowImage(HDC dc, int width, int height)
{
    const auto bytes = ShadowImageByteCount(width, height);
    if (!bytes)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = *bytes;
    void* bits = nullptr;
    UniqueBitmap image(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!image || bits == nullptr)
        return {};
    FillShadowImage(std::span(static_cast<std::uint32_t*>(bits), *bytes / sizeof(std::uint32_t)));
    return image;
}

HWND CreateShadowWindow()
{
    if (!RegisterWindowClassOnce({kShadowWindowClass, RecordWindowProc<ShadowRecord, HandleShadowMessage>, kWidgetClassStyle}))
        return nullptr;
    // Created hidden: a top-level window created visible is activated, which
    // would take the activation, and with it the focus, from the window whose
    // bar is being dragged. Its first placement shows it without activating.
    constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    return CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kShadowWindowClass, nullptr, kStyle, -1, -1, -1, -1,
                           nullptr, nullptr, CodeModule(), nullptr);
}

} // namespace trackkit
