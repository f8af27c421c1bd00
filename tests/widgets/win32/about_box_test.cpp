// The About box from the program's compiled resources (TrackKitResources.dll, copied beside this program),
// its timers driven by hand with a tick count the test moves. The tiles' motion is tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/unique_handles.h"
#include "widgets/win32/about_box.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

std::uint32_t now = 50000;
std::uint32_t TestTicks() { return now; }

const UniqueModule kResources(LoadLibraryExW((test::TestProgramFolder() + L"TrackKitResources.dll").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));

// Every third pixel of the client area shows the last tile drawn there, grey at its edge while the tiles fly,
// or white where no tile lies. The 500 x 137 picture is centred across the client area, 16 pixels down.
void ExpectPainted(HWND dialog, const char* moment)
{
    constexpr COLORREF kWhite = 0xFFFFFF, kFrameGrey = 0xF0F0F0;
    const AboutAnimation& animation = *AboutAnimationOf(dialog);
    const UniqueBitmap bitmap(LoadBitmapW(kResources.Get(), MAKEINTRESOURCEW(102)));
    const UniqueMemoryDc picture = CreateMemoryDc(nullptr);
    const SelectedObject selected(picture.Get(), bitmap.Get());
    const WindowDc screen(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    int differences = 0, edges = 0;
    for (int y = 0; y < client.bottom; y += 3)
        for (int x = 0; x < client.right; x += 3) {
            COLORREF expected = kWhite;
            for (const auto& tile : animation.tiles) {
                const int dx = x - (client.right - 500) / 2 - tile.current.x, dy = y - 16 - tile.current.y;
                if (dx >= 0 && dy >= 0 && dx < tile.width && dy < tile.height)
                    expected = animation.animating && (dx % (tile.width - 1) == 0 || dy % (tile.height - 1) == 0)
                        ? kFrameGrey : GetPixel(picture.Get(), tile.source.x + dx, tile.source.y + dy);
            }
            edges += expected == kFrameGrey;
            if (const COLORREF shown = GetPixel(screen.Get(), x, y); shown != expected && ++differences <= 5)
                ADD_FAILURE() << moment << ", at (" << x << ", " << y << "): " << std::hex << shown;
        }
    EXPECT_EQ(std::pair(differences, edges > 0), std::pair(0, animation.animating)) << moment << ": differences, edges";
}

// The idle tick starts a scatter, a frame tick moves the tiles and ends it after 4 seconds; Cancel then stops
// everything. The box is modeless so that it can be looked at between the ticks, its controls hidden.
TEST(AboutBox, AnimatesOnItsTimersPaintsEveryStepAndStopsOnCancel)
{
    ASSERT_NE(kResources.Get(), nullptr) << "cannot load TrackKitResources.dll";
    HWND dialog = CreateAboutBox(kResources.Get(), nullptr, TestTicks);
    ASSERT_NE(dialog, nullptr);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    const AboutAnimation* animation = AboutAnimationOf(dialog);
    ExpectPainted(dialog, "at rest");
    for (const auto& [timer, animating] : {std::pair{kAboutIdleTimerId, true}, {kAboutFrameTimerId, true},
                                           {kAboutFrameTimerId, false}, {kAboutIdleTimerId, true}}) {
        now += timer == kAboutIdleTimerId ? kAboutIdlePeriod : kScatterDuration / 2;
        SendMessageW(dialog, WM_TIMER, timer, 0);
        ASSERT_EQ(animation->animating, animating) << now;
        if (timer == kAboutFrameTimerId)
            ExpectPainted(dialog, animating ? "during the scatter" : "after the scatter");
    }
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(dialog) || KillTimer(dialog, kAboutIdleTimerId) ||
                 KillTimer(dialog, kAboutFrameTimerId) || animation->animating || animation->idle);
    DestroyWindow(dialog);
    EXPECT_EQ(AboutAnimationOf(dialog), nullptr);
}

// The test program has no version block of its own: "Version 1.00" stays.
TEST(AboutBox, ModalBoxShowsItsTextsAndEndsWithEscapeOrEnter)
{
    for (const auto& [key, result] : {std::pair<WPARAM, INT_PTR>{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}}) {
        testing::DialogWatcher watcher([key](HWND box) { PostMessageW(box, WM_KEYDOWN, key, 0); });
        EXPECT_EQ(RunAboutBox(kResources.Get(), nullptr, TestTicks), result);
        ASSERT_EQ(watcher.seen.size(), 1u);
        constexpr LONG_PTR kStyle = WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CLIPCHILDREN;
        EXPECT_EQ(std::pair(IsWindow(watcher.seen[0].window), watcher.seen[0].style & (kStyle | WS_CAPTION)),
                  std::pair(FALSE, kStyle)) << "closed; a border, but no caption";
        EXPECT_EQ(watcher.seen[0].staticTexts, (std::vector<std::wstring>{L"Quillon Orvex - Change Block Tracker",
                                                L"Version 1.00", L"Copyright (C) Quillon. All rights reserved."}));
    }
}

} // namespace
} // namespace trackkit
