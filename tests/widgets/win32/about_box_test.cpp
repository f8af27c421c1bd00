// The About box for real under Wine: the dialog from the program's compiled
// resources (TrackKitResources.dll, copied beside this test program), its
// timers driven by hand with a tick count the test moves, its picture read
// back from the screen. The test program has no version block of its own,
// so the version line keeps its "Version 1.00".
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "blockmap/win32/dialog_watcher.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/unique_module.h"
#include "widgets/win32/about_box.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kFrameGrey = 0xF0F0F0;

std::uint32_t now = 0;
std::uint32_t TestTicks() { return now; }

// 0x00RRGGBB pixels of a bitmap, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bits;

    Pixels(HBITMAP bitmap, int w, int h) : width(w), height(h), bits(static_cast<std::size_t>(w) * h)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        WindowDc screen(nullptr);
        GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(h), bits.data(), &info, DIB_RGB_COLORS);
    }
    std::uint32_t At(int x, int y) const { return bits[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};

// The client area as the screen shows it, child controls included.
Pixels CaptureClient(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    WindowDc screen(window);
    UniqueBitmap copy(CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    {
        MemoryDc memory(screen.Get());
        SelectedObject selected(memory.Get(), copy.Get());
        BitBlt(memory.Get(), 0, 0, client.right, client.bottom, screen.Get(), 0, 0, SRCCOPY);
    }
    return Pixels(copy.Get(), client.right, client.bottom);
}

// What the box must show at a client point: the last tile drawn there, with
// a grey edge while the tiles fly; white where no tile lies.
std::uint32_t ExpectedPixel(const AboutAnimation& animation, const Pixels& picture, TilePoint origin, int x, int y)
{
    for (auto tile = animation.tiles.rbegin(); tile != animation.tiles.rend(); ++tile) {
        const int left = origin.x + tile->current.x;
        const int top = origin.y + tile->current.y;
        const int dx = x - left;
        const int dy = y - top;
        if (dx < 0 || dy < 0 || dx >= tile->width || dy >= tile->height)
            continue;
        const bool edge = dx == 0 || dy == 0 || dx == tile->width - 1 || dy == tile->height - 1;
        if (animation.animating && edge)
            return kFrameGrey;
        return picture.At(tile->source.x + dx, tile->source.y + dy);
    }
    return kWhite;
}

// Every third pixel of the client area against what it must be; the first
// few differences are reported. The controls are hidden beforehand.
void ExpectPainted(HWND dialog, const Pixels& picture, const char* moment)
{
    SCOPED_TRACE(moment);
    const AboutAnimation* animation = AboutAnimationOf(dialog);
    ASSERT_NE(animation, nullptr);
    const Pixels shot = CaptureClient(dialog);
    ASSERT_GT(shot.width, 0);
    // The picture is centred across the client area, 16 pixels down.
    const TilePoint origin{(shot.width - picture.width) / 2, 16};
    int differences = 0;
    int frameGrey = 0;
    for (int y = 0; y < shot.height; y += 3)
        for (int x = 0; x < shot.width; x += 3) {
            const std::uint32_t expected = ExpectedPixel(*animation, picture, origin, x, y);
            frameGrey += expected == kFrameGrey;
            if (shot.At(x, y) != expected && ++differences <= 5)
                ADD_FAILURE() << "at (" << x << ", " << y << "): " << std::hex << shot.At(x, y) << " instead of " << expected;
        }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(frameGrey > 0, animation->animating) << "the tiles' edges show only while they fly";
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resources_.Reset(LoadLibraryExW((test::TestProgramFolder() + L"TrackKitResources.dll").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(resources_) << "cannot load TrackKitResources.dll: error " << GetLastError();
        UniqueBitmap picture(LoadBitmapW(resources_.Get(), MAKEINTRESOURCEW(102)));
        picture_ = std::make_unique<Pixels>(picture.Get(), 500, 137);
    }

    UniqueModule resources_;
    std::unique_ptr<Pixels> picture_;
};

// The two timers played by hand: the idle tick starts a scatter, 250 frame
// ticks 16 ms apart bring it to its end after 4 seconds; Escape then stops
// everything. The box is modeless here so that it can be looked at between
// the ticks.
TEST_F(AboutBoxTest, AnimatesOnItsTimersPaintsEveryStepAndStopsOnEscape)
{
    now = 50000;
    HWND dialog = CreateAboutBox(resources_.Get(), nullptr, TestTicks);
    ASSERT_NE(dialog, nullptr);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ShowWindow(child, SW_HIDE);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    const AboutAnimation* animation = AboutAnimationOf(dialog);
    ASSERT_NE(animation, nullptr);
    EXPECT_TRUE(animation->idle);
    ExpectPainted(dialog, *picture_, "at rest");

    now += kAboutIdlePeriod;
    SendMessageW(dialog, WM_TIMER, kAboutIdleTimerId, 0);
    EXPECT_TRUE(animation->animating);

    for (int tick = 1; tick <= 250; ++tick) {
        now += kAboutFramePeriod;
        SendMessageW(dialog, WM_TIMER, kAboutFrameTimerId, 0);
        if (tick == 125)
            ExpectPainted(dialog, *picture_, "two seconds into the scatter");
        ASSERT_EQ(animation->animating, tick < 250) << "frame tick " << tick;
    }
    EXPECT_TRUE(animation->idle);
    ExpectPainted(dialog, *picture_, "after the scatter");

    now += kAboutIdlePeriod;
    SendMessageW(dialog, WM_TIMER, kAboutIdleTimerId, 0);
    ASSERT_TRUE(animation->animating);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        if (!IsDialogMessageW(dialog, &message))
            DispatchMessageW(&message);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(KillTimer(dialog, kAboutIdleTimerId)) << "the idle timer is still set";
    EXPECT_FALSE(KillTimer(dialog, kAboutFrameTimerId)) << "the frame timer is still set";
    EXPECT_FALSE(animation->animating || animation->idle);
    DestroyWindow(dialog);
    EXPECT_EQ(AboutAnimationOf(dialog), nullptr);
}

TEST_F(AboutBoxTest, ModalBoxShowsItsTextsAndEndsWithEscapeOrEnter)
{
    for (const auto& [key, result] : {std::pair<WPARAM, INT_PTR>{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}}) {
        testing::DialogWatcher watcher([key](HWND box) { PostMessageW(box, WM_KEYDOWN, key, 0); });
        ASSERT_TRUE(watcher.Hooked());
        EXPECT_EQ(RunAboutBox(resources_.Get(), nullptr, TestTicks), result);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_FALSE(IsWindow(watcher.seen[0].window));
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
