#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace trackkit {

// The About box's picture is cut into 16 x 4 tiles. Every 16 seconds they fly
// part of the way towards each other's places and come back, over 4 seconds,
// slowly at first. This is the arithmetic of it; the dialog only turns timer
// messages into these calls and draws the tiles where they say.

inline constexpr int kAboutTileColumns = 16;
inline constexpr int kAboutTileRows = 4;
inline constexpr int kAboutTileCount = kAboutTileColumns * kAboutTileRows;

inline constexpr unsigned kAboutIdleTimerId = 1001;   // starts a scatter
inline constexpr unsigned kAboutFrameTimerId = 1002;  // moves the tiles
inline constexpr std::uint32_t kAboutIdlePeriod = 16000;  // ms
inline constexpr std::uint32_t kAboutFramePeriod = 16;    // ms
inline constexpr std::uint32_t kScatterDuration = 4000;   // ms

// The picture hangs this many pixels below the top of the client area.
inline constexpr int kPictureTop = 16;

struct TilePoint {
    int x = 0;
    int y = 0;

    bool operator==(const TilePoint&) const = default;
};

struct AboutTile {
    TilePoint rest;     // where it rests; taken from current when a scatter starts
    TilePoint current;  // where it is drawn now, relative to the picture's origin
    TilePoint target;   // where it heads for during a scatter
    TilePoint source;   // its top-left pixel in the picture
    int width = 0;
    int height = 0;
};

// The pseudo-random numbers of Microsoft's C runtime rand(), never seeded:
// state = state * 214013 + 2531011 from state 1, giving bits 16 to 30. The
// program draws its scatters from this sequence on every platform, so each
// run repeats the same dance.
class CrtRandom {
public:
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>(state_ >> 16 & 0x7FFFu);
    }

private:
    std::uint32_t state_ = 1;
};

struct AboutAnimation {
    bool animating = false;  // a scatter runs; the frame timer is on
    bool idle = false;       // waiting for the next scatter; the idle timer is on
    std::vector<AboutTile> tiles;  // row-major, tile k = row * 16 + column
    std::uint32_t startTick = 0;   // the tick count when the current scatter began
};

// What the dialog must do after a timer step.
enum class TimerSwitch {
    None,
    IdleToFrame,  // stop the idle timer, start the frame timer
    FrameToIdle,  // stop the frame timer, start the idle timer
};

struct AboutStep {
    TimerSwitch timers = TimerSwitch::None;
    bool repaint = false;  // invalidate and update the dialog at once
};

// The 64 tiles of a picture of that size, each at rest on its own place, or
// none when the picture is too small to give every tile a pixel (or missing:
// 0 x 0). Tiles are width / 16 by height / 4 pixels, so the right and bottom
// remainders of the picture are never shown.
AboutAnimation CreateAboutAnimation(int pictureWidth, int pictureHeight);

// The dialog has opened: wait for the first scatter. False when there is
// nothing to animate, and then no timer is wanted.
bool StartIdle(AboutAnimation& animation);

// The idle timer: every tile rests where it is now and is given the place of
// another as its target, pairing tile i with tile nextRandom() % 64 for i
// from 0 to 63; later pairs may overwrite earlier targets. Ignored unless
// idle.
AboutStep OnIdleTimer(AboutAnimation& animation, std::uint32_t now, const std::function<int()>& nextRandom);

// The frame timer: places every tile for the time since the scatter began,
// and ends the scatter, tiles at rest, once it has lasted 4 seconds. Ignored
// unless animating; a tick that has not moved on from the start does nothing.
AboutStep OnFrameTimer(AboutAnimation& animation, std::uint32_t now);

// The dialog closes: no more steps.
void StopAnimation(AboutAnimation& animation);

// How far a scatter has come after `elapsed` ms: 1 - sin((1 - e / 4000) * pi/2),
// from 0 at the start to 1 at 4 seconds, slowly at first.
double ScatterProgress(std::uint32_t elapsed);

// One coordinate of a tile at that progress: from rest to the midpoint between
// rest and target until 0.5, then back to rest at 1; truncated toward zero.
int TileCoordinate(int rest, int target, double progress);

// Where the picture's top-left corner goes in the client area: centred
// across (cropped equally when the client is narrower), 16 pixels down.
TilePoint PictureOrigin(int clientLeft, int clientTop, int clientRight, int pictureWidth);

} // namespace trackkit
