#include "widgets/splitter_grid.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/dpi.h"

namespace trackkit {
namespace {

constexpr int kBarAtNinetySixDpi = 4;
constexpr int kRowBarCodes = 101;
constexpr int kColumnBarCodes = 201;
constexpr int kCrossingCodes = 301;
// The crossing code spreads rows 15 apart: room for the 15 bars of a row.
constexpr int kCrossingRowStride = 15;
constexpr int kMaxBarIndex = kMaxSplitterTracks - 2;

// Positions are sums of many track sizes; they are added up in 64 bits so
// that no sequence of sizes can overflow.
using Wide = std::int64_t;

int ClampToInt(Wide value)
{
    return static_cast<int>(std::clamp<Wide>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ScaledBar(int dpi)
{
    return ScaleForDpi(kBarAtNinetySixDpi, dpi > 0 ? dpi : 96);
}

// Gives one track (not the last) its share of the remaining length and takes
// its bar; returns what is left afterwards.
int FitOneTrack(Track& track, int remaining, int bar)
{
    track.actual = std::max(track.requested, 0);
    if (remaining == 0) {
        track.actual = 0;
        return 0;
    }
    int taken = 0;
    if (track.actual != 0) {
        if (remaining < track.actual) {
            track.actual = remaining;
            taken = remaining;
            remaining = 0;
        } else {
            taken = track.actual;
            remaining -= taken;
        }
    }
    if (remaining > bar)
        return remaining - bar;
    // The bar does not fit after this track: the track absorbs what is left,
    // giving back room for its bar when it is large enough to spare it.
    track.actual = taken + remaining;
    if (track.actual > bar)
        track.actual -= bar;
    return 0;
}

// The index of the bar (after track i, for i up to count - 2) that covers a
// coordinate along the tracks' axis, or -1.
int BarIndexAt(std::span<const Track> tracks, int origin, int bar, int coordinate)
{
    Wide start = origin;
    for (std::size_t i = 0; i + 1 < tracks.size(); ++i) {
        const Wide barStart = start + tracks[i].actual;
        if (coordinate >= barStart && coordinate < barStart + bar)
            return static_cast<int>(i);
        start = barStart + bar;
    }
    return -1;
}

} // namespace

bool IsValidTrackCount(int count)
{
    return count >= 1 && count <= kMaxSplitterTracks;
}

int PaneId(int row, int column)
{
    return kFirstPaneId + column + kMaxSplitterTracks * row;
}

BarSizes BarSizesForDpi(int dpiX, int dpiY)
{
    return {ScaledBar(dpiX), ScaledBar(dpiY)};
}

void FitTracks(std::span<Track> tracks, int length, int bar)
{
    if (tracks.empty())
        return;
    int remaining = std::max(length, 0);
    const int barSize = std::max(bar, 0);
    for (Track& track : tracks.first(tracks.size() - 1))
        remaining = FitOneTrack(track, remaining, barSize);
    tracks.back().actual = kRestOfSpace;
}

void FitGrid(SplitterGrid& grid, const Rect& client)
{
    FitTracks(grid.Columns(), client.Width(), grid.barWidth);
    FitTracks(grid.Rows(), client.Height(), grid.barHeight);
}

int TrackStart(std::span<const Track> tracks, int index, int origin, int bar)
{
    Wide start = origin;
    const std::size_t end = std::min(static_cast<std::size_t>(std::max(index, 0)), tracks.size());
    for (std::size_t i = 0; i < end; ++i)
        start += Wide{tracks[i].actual} + bar;
    return ClampToInt(start);
}

Rect PaneRect(const SplitterGrid& grid, const Rect& client, int row, int column)
{
    const int x = TrackStart(grid.Columns(), column, client.left, grid.barWidth);
    const int y = TrackStart(grid.Rows(), row, client.top, grid.barHeight);
    const Wide width = std::max<Wide>(0, std::min<Wide>(grid.columns[column].actual, Wide{client.right} - x));
    const Wide height = std::max<Wide>(0, std::min<Wide>(grid.rows[row].actual, Wide{client.bottom} - y));
    return {x, y, ClampToInt(x + width), ClampToInt(y + height)};
}

int EncodeHit(const BarHit& hit)
{
    switch (hit.kind) {
    case BarKind::Row:
        return kRowBarCodes + hit.row;
    case BarKind::Column:
        return kColumnBarCodes + hit.column;
    case BarKind::Crossing:
        return kCrossingCodes + kCrossingRowStride * hit.row + hit.column;
    case BarKind::None:
        break;
    }
    return kNoBar;
}

BarHit DecodeHit(int code)
{
    if (code >= kRowBarCodes && code <= kRowBarCodes + kMaxBarIndex)
        return {BarKind::Row, code - kRowBarCodes, 0};
    if (code >= kColumnBarCodes && code <= kColumnBarCodes + kMaxBarIndex)
        return {BarKind::Column, 0, code - kColumnBarCodes};
    if (code >= kCrossingCodes && code <= kCrossingCodes + kCrossingRowStride * kMaxBarIndex + kMaxBarIndex) {
        const int crossing = code - kCrossingCodes;
        return {BarKind::Crossing, crossing / kCrossingRowStride, crossing % kCrossingRowStride};
    }
    return {};
}

int HitTest(const SplitterGrid& grid, const Rect& client, GridPoint point)
{
    if (!client.Contains(point.x, point.y))
        return kNoBar;
    // Each bar runs across the whole client area, so only the coordinate
    // along the tracks decides which bar a point is on.
    const int column = BarIndexAt(grid.Columns(), client.left, grid.barWidth, point.x);
    const int row = BarIndexAt(grid.Rows(), client.top, grid.barHeight, point.y);
    if (row >= 0 && column >= 0)
        return EncodeHit({BarKind::Crossing, row, column});
    if (row >= 0)
        return EncodeHit({BarKind::Row, row, 0});
    if (column >= 0)
        return EncodeHit({BarKind::Column, 0, column});
    return kNoBar;
}

SplitterCursor CursorForHit(int code)
{
    switch (DecodeHit(code).kind) {
    case BarKind::Row:
        return SplitterCursor::SizeNorthSouth;
    case BarKind::Column:
        return SplitterCursor::SizeWestEast;
    case BarKind::Crossing:
        return SplitterCursor::SizeAll;
    case BarKind::None:
        break;
    }
    return SplitterCursor::Arrow;
}

} // namespace trackkit
