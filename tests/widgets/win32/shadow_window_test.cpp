#include "widgets/win32/shadow_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "test_windows.h"

namespace trackkit {
namespace {

using testing::Box;
using testing::HostWindow;
using testing::ScreenBox;

TEST(ShadowWindow, IsAHiddenLayeredToolWindowWithoutAreaThatLetsTheMouseThrough)
{
    UniqueWindow shadow(CreateShadowWindow());
    ASSERT_TRUE(shadow);
    EXPECT_EQ(testing::ClassNameOf(shadow.Get()), L"ShadowWindowClass");
    EXPECT_EQ(GetWindowLongW(shadow.Get(), GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TOOLWINDOW),
              WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(shadow.Get(), GWL_STYLE)) & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_BORDER),
              static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(GetClassLongPtrW(shadow.Get(), GCL_STYLE), 0x23u);
    EXPECT_FALSE(IsWindowVisible(shadow.Get()));
    RECT client{};
    GetClientRect(shadow.Get(), &client);
    EXPECT_TRUE(IsRectEmpty(&client));
    EXPECT_EQ(SendMessageW(shadow.Get(), WM_NCHITTEST, 0, MAKELPARAM(0, 0)), HTTRANSPARENT);
    EXPECT_EQ(SendMessageW(shadow.Get(), WM_ERASEBKGND, 0, 0), 1);
    SendMessageW(shadow.Get(), WM_SIZE, 0, 0);  // an empty area renders nothing and must not fail
}

TEST(ShadowWindow, ShowsOverAWindowWithoutTakingActivationFocusOrClicks)
{
    HostWindow host;
    HWND pane = testing::CreatePane(host.Get());
    SetWindowPos(pane, nullptr, 0, 0, 900, 600, SWP_NOZORDER);
    SetFocus(pane);
    UniqueWindow shadow(CreateShadowWindow());
    ASSERT_TRUE(shadow);
    POINT corner{50, 100};
    ClientToScreen(host.Get(), &corner);

    SetWindowPos(shadow.Get(), HWND_TOP, corner.x, corner.y, 800, 4, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    EXPECT_TRUE(IsWindowVisible(shadow.Get()));
    EXPECT_EQ(ScreenBox(shadow.Get()), (Box{corner.x, corner.y, corner.x + 800, corner.y + 4}));
    EXPECT_EQ(GetActiveWindow(), host.Get());
    EXPECT_EQ(GetFocus(), pane);
    POINT onBand{corner.x + 400, corner.y + 2};
    EXPECT_EQ(WindowFromPoint(onBand), pane) << "the click goes to the window beneath";

    ShowWindow(shadow.Get(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(shadow.Get()));
    EXPECT_EQ(GetActiveWindow(), host.Get());
}

TEST(ShadowImage, IsABottomUpBandOfTranslucentBlack)
{
    WindowDc screen(nullptr);
    UniqueBitmap image = CreateShadowImage(screen.Get(), 800, 4);
    ASSERT_TRUE(image);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(image.Get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBmih.biWidth, 800);
    EXPECT_EQ(dib.dsBmih.biHeight, 4) << "bottom-up";
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    EXPECT_EQ(dib.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_NE(dib.dsBm.bmBits, nullptr);
    const auto* pixels = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    EXPECT_EQ(std::count(pixels, pixels + 3200, 0x90000000u), 3200);

    const struct {
        int width, height;
    } refused[] = {{0, 4}, {4, 0}, {-1, -1}, {65536, 65536}};
    for (const auto& c : refused)
        EXPECT_FALSE(CreateShadowImage(screen.Get(), c.width, c.height)) << c.width << " x " << c.height;
}

} // namespace
} // namespace trackkit
