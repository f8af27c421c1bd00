#include "widgets/about_animation.h"

#include <cmath>
#include <cstddef>

namespace trackkit {
namespace {

// A quarter turn, as the dance has always been computed; the curve ends at
// exactly 0 when 4 seconds have passed.
constexpr double kQuarterTurn = 1.570796326795;

void PlaceAll(AboutAnimation& animation, double progress)
{
    for (AboutTile& tile : animation.tiles) {
        tile.current.x = TileCoordinate(tile.rest.x, tile.target.x, progress);
        tile.current.y = TileCoordinate(tile.rest.y, tile.target.y, progress);
    }
}

void PickTargets(std::vector<AboutTile>& tiles, const std::function<int()>& nextRandom)
{
    const int count = static_cast<int>(tiles.size());
    for (int i = 0; i < count; ++i) {
        // rand() is never negative, but the modulo must not be either.
        const int drawn = nextRandom() % count;
        const auto j = static_cast<std::size_t>(drawn < 0 ? drawn + count : drawn);
        AboutTile& first = tiles[static_cast<std::size_t>(i)];
        tiles[j].target = first.rest;
        first.target = tiles[j].rest;
    }
}

} // namespace

AboutAnimation CreateAboutAnimation(int pictureWidth, int pictureHeight)
{
    AboutAnimation animation;
    const int width = pictureWidth / kAboutTileColumns;
    const int height = pictureHeight / kAboutTileRows;
    if (width <= 0 || height <= 0)
        return animation;
    animation.tiles.reserve(kAboutTileCount);
    for (int row = 0; row < kAboutTileRows; ++row)
        for (int column = 0; column < kAboutTileColumns; ++column) {
            AboutTile tile;
            tile.source = {column * width, row * height};
            tile.rest = tile.current = tile.source;
            tile.width = width;
            tile.height = height;
            animation.tiles.push_back(tile);
        }
    return animation;
}

bool StartIdle(AboutAnimation& animation)
{
    animation.animating = false;
    animation.idle = !animation.tiles.empty();
    return animation.idle;
}

AboutStep OnIdleTimer(AboutAnimation& animation, std::uint32_t now, const std::function<int()>& nextRandom)
{
    if (!animation.idle)
        return {};
    animation.idle = false;
    animation.animating = true;
    for (AboutTile& tile : animation.tiles)
        tile.rest = tile.current;
    PickTargets(animation.tiles, nextRandom);
    animation.startTick = now;
    return {TimerSwitch::IdleToFrame, false};
}

AboutStep OnFrameTimer(AboutAnimation& animation, std::uint32_t now)
{
    if (!animation.animating || now == animation.startTick)
        return {};
    // Unsigned, so a wrap of the tick count in between is harmless.
    const std::uint32_t elapsed = now - animation.startTick;
    // The curve alone would not do as the end: past 12 seconds (a frame
    // timer held up that long) the sine turns positive again and would start
    // a second, unasked-for scatter. Four seconds are the end, whatever the
    // curve says.
    const double progress = ScatterProgress(elapsed);
    if (elapsed < kScatterDuration && progress < 1.0) {
        PlaceAll(animation, progress);
        return {TimerSwitch::None, true};
    }
    animation.animating = false;
    animation.idle = true;
    for (AboutTile& tile : animation.tiles)
        tile.current = tile.rest;
    return {TimerSwitch::FrameToIdle, true};
}

void StopAnimation(AboutAnimation& animation)
{
    animation.animating = false;
    animation.idle = false;
}

double ScatterProgress(std::uint32_t elapsed)
{
    return 1.0 - std::sin((1.0 - elapsed / static_cast<double>(kScatterDuration)) * kQuarterTurn);
}

int TileCoordinate(int rest, int target, double progress)
{
    const double rest64 = rest;
    const double target64 = target;
    const double place = progress <= 0.5 ? rest64 + (target64 - rest64) * progress
                                         : target64 + (rest64 - target64) * progress;
    return static_cast<int>(place);  // toward zero
}

TilePoint PictureOrigin(int clientLeft, int clientTop, int clientRight, int pictureWidth)
{
    return {clientLeft + (clientRight - pictureWidth - clientLeft) / 2, clientTop + kPictureTop};
}

} // namespace trackkit
