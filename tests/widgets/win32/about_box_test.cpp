// The About box from the program's compiled resources (TrackKitResources.dll,
// copied beside this program), its timers driven by hand with a tick count
// the test moves. The tiles' motion is tested natively.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/unique_module.h"
#include "widgets/win32/about_box.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kFrameGrey = 0xF0F0F0;

std::uint32_t now = 0;
std::uint32_t TestTicks() { return now; }

const UniqueModule kResources(LoadLibraryExW((test::TestProgramFolder() + L"TrackKitResources.dll").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
HMODULE Resources() { return kResources.Get(); }

// The client area, sampled every 3 pixels, must show the last tile drawn
// there, grey at its edge while the tiles fly, or white where no tile lies.
// The 500 x 137 picture is centred across the client area, 16 pixels down.
void ExpectPainted(HWND dialog, const char* moment)
{
    const AboutAnimation& animation = *AboutAnimationOf(dialog);
    const UniqueBitmap bitmap(LoadBitmapW(Resources(), MAKEINTRESOURCEW(102)));
    const MemoryDc picture(nullptr);
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
                    expected = animation.animating && (dx == 0 || dy == 0 || dx == tile.width - 1 || dy == tile.height - 1)
                        ? kFrameGrey : GetPixel(picture.Get(), tile.source.x + dx, tile.source.y + dy);
            }
            edges += expected == kFrameGrey;
            const COLORREF shown = GetPixel(screen.Get(), x, y);
            if (shown != expected && ++differences <= 5)
                ADD_FAILURE() << moment << ", at (" << x << ", " << y << "): " << std::hex << shown;
        }
    EXPECT_EQ(differences, 0) << moment;
    EXPECT_EQ(edges > 0, animation.animating) << moment << ": the tiles' edges show only while they fly";
}

// The idle tick starts a scatter, a frame tick moves the tiles for the time
// since its start and ends it after 4 seconds; Escape then stops everything.
// The box is modeless here so that it can be looked at between the ticks,
// its controls hidden.
TEST(AboutBox, AnimatesOnItsTimersPaintsEveryStepAndStopsOnEscape)
{
    ASSERT_NE(Resources(), nullptr) << "cannot load TrackKitResources.dll";
    now = 50000;
    HWND dialog = CreateAboutBox(Resources(), nullptr, TestTicks);
    ASSERT_NE(dialog, nullptr);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    const AboutAnimation* animation = AboutAnimationOf(dialog);
    EXPECT_TRUE(animation->idle);
    ExpectPainted(dialog, "at rest");

    now += kAboutIdlePeriod;
    SendMessageW(dialog, WM_TIMER, kAboutIdleTimerId, 0);
    for (const bool animating : {true, false}) {
        now += kScatterDuration / 2;
        SendMessageW(dialog, WM_TIMER, kAboutFrameTimerId, 0);
        EXPECT_EQ(animation->animating, animating);
        ExpectPainted(dialog, animating ? "two seconds into the scatter" : "after the scatter");
    }
    EXPECT_TRUE(animation->idle);

    now += kAboutIdlePeriod;
    SendMessageW(dialog, WM_TIMER, kAboutIdleTimerId, 0);
    ASSERT_TRUE(animation->animating);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        if (!IsDialogMessageW(dialog, &message))
            DispatchMessageW(&message);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(KillTimer(dialog, kAboutIdleTimerId) || KillTimer(dialog, kAboutFrameTimerId)) << "a timer is set";
    EXPECT_FALSE(animation->animating || animation->idle);
    DestroyWindow(dialog);
    EXPECT_EQ(AboutAnimationOf(dialog), nullptr);
}

// The test program has no version block of its own: "Version 1.00" stays.
TEST(AboutBox, ModalBoxShowsItsTextsAndEndsWithEscapeOrEnter)
{
    for (const auto& [key, result] : {std::pair<WPARAM, INT_PTR>{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}}) {
        testing::DialogWatcher watcher([key](HWND box) { PostMessageW(box, WM_KEYDOWN, key, 0); });
        EXPECT_EQ(RunAboutBox(Resources(), nullptr, TestTicks), result);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_FALSE(IsWindow(watcher.seen[0].window)) << "still open";
        EXPECT_EQ(watcher.seen[0].staticTexts,
                  (std::vector<std::wstring>{L"Quillon Orvex - Change Block Tracker", L"Version 1.00",
                                             L"Copyright (C) Quillon. All rights reserved."}));
        constexpr LONG_PTR kStyle = WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CLIPCHILDREN;
        EXPECT_EQ(watcher.seen[0].style & (kStyle | WS_CAPTION), kStyle) << "a border, but no caption";
    }
}

// The scatters are drawn from the program's own copy of the C runtime's
// sequence; it must be the one that rand() gives on Windows.
TEST(CrtRandom, IsTheSequenceOfTheCRuntimesRand)
{
    std::srand(1);  // the state of a program that never seeds
    CrtRandom ours;
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(ours.Next(), std::rand()) << "value " << i;
}

} // namespace
} // namespace trackkit
