#include "widgets/splitter_grid.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

std::vector<int> Fit(const std::vector<int>& requested, int length, int bar = 4)
{
    std::vector<Track> tracks;
    for (int size : requested)
        tracks.push_back({size, -12345});
    FitTracks(tracks, length, bar);
    std::vector<int> actual;
    for (const Track& track : tracks)
        actual.push_back(track.actual);
    return actual;
}

// A grid with the given requested sizes; the last track's request is
// whatever the owner passed and does not matter.
SplitterGrid Grid(const std::vector<int>& rowSizes, const std::vector<int>& columnSizes, int bar = 4)
{
    SplitterGrid grid;
    grid.rowCount = static_cast<int>(rowSizes.size());
    grid.columnCount = static_cast<int>(columnSizes.size());
    grid.barWidth = grid.barHeight = bar;
    for (std::size_t i = 0; i < rowSizes.size(); ++i)
        grid.rows[i].requested = rowSizes[i];
    for (std::size_t i = 0; i < columnSizes.size(); ++i)
        grid.columns[i].requested = columnSizes[i];
    return grid;
}

TEST(SplitterBars, AreFourPixelsAtNinetySixDpiScaledPerAxis)
{
    const struct {
        int dpiX, dpiY, width, height;
    } cases[] = {
        {96, 96, 4, 4}, {120, 120, 5, 5}, {144, 96, 6, 4}, {96, 192, 4, 8}, {72, 72, 3, 3},
        {0, 0, 4, 4},     // not measured: taken as 96
        {-96, 120, 4, 5},
    };
    for (const auto& c : cases) {
        const BarSizes bars = BarSizesForDpi(c.dpiX, c.dpiY);
        EXPECT_EQ(bars.width, c.width) << c.dpiX;
        EXPECT_EQ(bars.height, c.height) << c.dpiY;
    }
}

TEST(SplitterGridCounts, AcceptOneToSixteenTracks)
{
    const struct {
        int count;
        bool valid;
    } cases[] = {{-1, false}, {0, false}, {1, true}, {2, true}, {16, true}, {17, false}, {kIntMax, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsValidTrackCount(c.count), c.valid) << c.count;
}

TEST(SplitterPaneIds, AreSixteenApartPerRow)
{
    const struct {
        int row, column, id;
    } cases[] = {{0, 0, 1000}, {0, 1, 1001}, {1, 0, 1016}, {1, 1, 1017}, {2, 3, 1035}, {15, 15, 1255}};
    for (const auto& c : cases)
        EXPECT_EQ(PaneId(c.row, c.column), c.id) << c.row << "," << c.column;
}

TEST(FitTracks, KeepsRequestedSizesWhileSpaceLastsAndCutsAtTheEdge)
{
    const struct {
        const char* name;
        std::vector<int> requested;
        int length;
        std::vector<int> actual;
    } cases[] = {
        {"room to spare", {280, 999}, 800, {280, kRestOfSpace}},
        {"track and bar end at the edge", {96, 0}, 100, {96, kRestOfSpace}},
        {"two short of the edge: cut back for the bar", {98, 0}, 100, {96, kRestOfSpace}},
        {"longer than the splitter", {120, 0}, 100, {96, kRestOfSpace}},
        {"first row too high: the next gets nothing", {150, 30, 0}, 100, {96, 0, kRestOfSpace}},
        {"second track meets the edge", {50, 50, 0}, 104, {50, 46, kRestOfSpace}},
        {"leftover smaller than a bar is absorbed", {10, 0}, 12, {8, kRestOfSpace}},
        {"too small to spare a bar: takes it all", {1, 0}, 3, {3, kRestOfSpace}},
        {"empty track absorbs a leftover too small for its bar", {0, 0}, 3, {3, kRestOfSpace}},
        {"empty track with room keeps 0", {0, 0}, 100, {0, kRestOfSpace}},
        {"negative request counts as 0", {-10, 40, 0}, 100, {0, 40, kRestOfSpace}},
        {"largest request", {kIntMax, 0}, 100, {96, kRestOfSpace}},
        {"zero length", {50, 50, 0}, 0, {0, 0, kRestOfSpace}},
        {"negative length taken as 0", {50, 0}, -30, {0, kRestOfSpace}},
        {"single track takes everything", {70}, 100, {kRestOfSpace}},
        {"sixteen tracks", std::vector<int>(16, 10), 100,
         {10, 10, 10, 10, 10, 10, 10, 2, 0, 0, 0, 0, 0, 0, 0, kRestOfSpace}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fit(c.requested, c.length), c.actual) << c.name;
}

TEST(FitTracks, LeavesRequestedSizesSoGrowingRestoresThem)
{
    std::vector<Track> tracks{{280, 0}, {120, 0}, {0, 0}};
    FitTracks(tracks, 100, 4);
    EXPECT_EQ(tracks[0].actual, 96);
    EXPECT_EQ(tracks[1].actual, 0);
    EXPECT_EQ(tracks[0].requested, 280);
    EXPECT_EQ(tracks[1].requested, 120);
    FitTracks(tracks, 1000, 4);
    EXPECT_EQ(tracks[0].actual, 280);
    EXPECT_EQ(tracks[1].actual, 120);
}

TEST(FitTracks, AGridWithoutTracksFitsNothingAndKeepsItsNeighbours)
{
    // The empty list starts right after a track that must stay as it is: a
    // fit that reached for "the last track" of nothing would land on it.
    std::vector<Track> tracks{{10, 11}, {20, 21}};
    FitTracks(std::span<Track>(tracks).subspan(1, 0), 100, 4);
    EXPECT_EQ(tracks[0].requested, 10);
    EXPECT_EQ(tracks[0].actual, 11);
    EXPECT_EQ(tracks[1].actual, 21);
}

TEST(PaneRect, PlacesEachCellAfterTheTracksAndBarsBeforeIt)
{
    const GridRect client{0, 0, 800, 600};
    const struct {
        const char* name;
        std::vector<int> rows, columns;
        GridRect client;
        int row, column;
        GridRect rect;
    } cases[] = {
        {"outer left pane", {280}, {280, 280}, client, 0, 0, {0, 0, 280, 600}},
        {"outer right pane takes the rest", {280}, {280, 280}, client, 0, 1, {284, 0, 800, 600}},
        {"inner top", {340, 340}, {340}, client, 0, 0, {0, 0, 800, 340}},
        {"inner bottom takes the rest", {340, 340}, {340}, client, 1, 0, {0, 344, 800, 600}},
        {"cell of a 2x2", {100, 0}, {200, 0}, client, 1, 1, {204, 104, 800, 600}},
        {"client not at the origin", {100, 0}, {200, 0}, {10, 20, 810, 620}, 1, 1, {214, 124, 810, 620}},
        {"squeezed to 0 at the edge", {150, 30, 0}, {50}, {0, 0, 50, 100}, 1, 0, {0, 100, 50, 100}},
        {"past the edge: size 0, never negative", {150, 30, 0}, {50}, {0, 0, 50, 100}, 2, 0, {0, 104, 50, 104}},
    };
    for (const auto& c : cases) {
        SplitterGrid grid = Grid(c.rows, c.columns);
        FitGrid(grid, c.client);
        EXPECT_EQ(PaneRect(grid, c.client, c.row, c.column), c.rect) << c.name;
    }
}

TEST(TrackStart, AddsTracksAndBarsBeforeTheIndex)
{
    const std::vector<Track> tracks{{0, 10}, {0, 20}, {0, kRestOfSpace}};
    const struct {
        int index, start;
    } cases[] = {{0, 5}, {1, 19}, {2, 43}, {-1, 5}, {3, kIntMax}, {99, kIntMax}};
    for (const auto& c : cases)
        EXPECT_EQ(TrackStart(tracks, c.index, 5, 4), c.start) << c.index;
}

TEST(HitCodes, EncodeAndDecodeEveryBarAndCrossing)
{
    const struct {
        BarHit hit;
        int code;
    } cases[] = {
        {{BarKind::Row, 0, 0}, 101},       {{BarKind::Row, 14, 0}, 115},      {{BarKind::Column, 0, 0}, 201},
        {{BarKind::Column, 0, 14}, 215},   {{BarKind::Crossing, 0, 0}, 301},  {{BarKind::Crossing, 0, 14}, 315},
        {{BarKind::Crossing, 1, 0}, 316},  {{BarKind::Crossing, 14, 14}, 525}, {{BarKind::None, 0, 0}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeHit(c.hit), c.code);
        const BarHit decoded = DecodeHit(c.code);
        EXPECT_EQ(decoded.kind, c.hit.kind) << c.code;
        EXPECT_EQ(decoded.row, c.hit.row) << c.code;
        EXPECT_EQ(decoded.column, c.hit.column) << c.code;
    }
}

TEST(HitCodes, OutsideTheRangesDecodeAsNoBar)
{
    for (int code : {-1, 1, 100, 116, 200, 216, 300, 526, 1000, kIntMax, std::numeric_limits<int>::min()})
        EXPECT_EQ(DecodeHit(code).kind, BarKind::None) << code;
}

// 2 x 3 grid in a 300 x 100 client: columns 0-100, bar 100-104, 104-154, bar
// 154-158, rest; rows 0-50, bar 50-54, rest.
TEST(HitTest, NamesTheBarOrCrossingUnderAPoint)
{
    SplitterGrid grid = Grid({50, 0}, {100, 50, 0});
    const GridRect client{0, 0, 300, 100};
    FitGrid(grid, client);
    const struct {
        int x, y, code;
    } cases[] = {
        {10, 10, 0},   {99, 10, 0},    {100, 10, 201}, {103, 99, 201}, {104, 10, 0},  {154, 0, 202},
        {157, 10, 202}, {158, 10, 0},  {10, 50, 101},  {299, 53, 101}, {10, 54, 0},   {100, 50, 301},
        {103, 53, 301}, {155, 51, 302}, {-1, 51, 0},   {300, 51, 0},   {101, 100, 0}, {101, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitTest(grid, client, {c.x, c.y}), c.code) << c.x << "," << c.y;
}

TEST(HitTest, SingleCellHasNoBars)
{
    SplitterGrid grid = Grid({50}, {50});
    const GridRect client{0, 0, 100, 100};
    FitGrid(grid, client);
    for (int x : {0, 50, 52, 99})
        EXPECT_EQ(HitTest(grid, client, {x, 52}), 0) << x;
}

TEST(HitTest, BarsBeyondTheClientCannotBeHit)
{
    // The first row takes the whole height; the second bar would lie past
    // the bottom.
    SplitterGrid grid = Grid({150, 30, 0}, {50});
    const GridRect client{0, 0, 50, 100};
    FitGrid(grid, client);
    EXPECT_EQ(HitTest(grid, client, {10, 97}), 101);
    for (int y : {100, 101, 103, 104})
        EXPECT_EQ(HitTest(grid, client, {10, y}), 0) << y;
}

TEST(SplitterCursor, FollowsTheKindOfBar)
{
    const struct {
        int code;
        SplitterCursor cursor;
    } cases[] = {
        {0, SplitterCursor::Arrow},          {101, SplitterCursor::SizeNorthSouth}, {115, SplitterCursor::SizeNorthSouth},
        {201, SplitterCursor::SizeWestEast}, {215, SplitterCursor::SizeWestEast},   {301, SplitterCursor::SizeAll},
        {525, SplitterCursor::SizeAll},      {526, SplitterCursor::Arrow},          {-7, SplitterCursor::Arrow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CursorForHit(c.code), c.cursor) << c.code;
}

} // namespace
} // namespace trackkit
