#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "widgets/splitter_drag.h"
#include "widgets/splitter_grid.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

// A grid of these requested sizes fitted to the client; the last track's
// request does not matter.
SplitterGrid Fitted(const std::vector<int>& rows, const std::vector<int>& columns, const GridRect& client,
                    int barWidth = 4)
{
    SplitterGrid grid;
    grid.rowCount = static_cast<int>(rows.size());
    grid.columnCount = static_cast<int>(columns.size());
    grid.barWidth = barWidth;
    grid.barHeight = 4;
    for (std::size_t i = 0; i < rows.size(); ++i)
        grid.rows[i].requested = rows[i];
    for (std::size_t i = 0; i < columns.size(); ++i)
        grid.columns[i].requested = columns[i];
    FitGrid(grid, client);
    return grid;
}

TEST(SplitterGrid, BarSizesTrackCountsAndPaneIds)
{
    const struct {
        int dpiX, dpiY, width, height;
    } bars[] = {{96, 96, 4, 4}, {120, 120, 5, 5}, {144, 192, 6, 8}, {0, -96, 4, 4}};  // not measured: taken as 96
    for (const auto& c : bars) {
        EXPECT_EQ(BarSizesForDpi(c.dpiX, c.dpiY).width, c.width) << c.dpiX;
        EXPECT_EQ(BarSizesForDpi(c.dpiX, c.dpiY).height, c.height) << c.dpiY;
    }
    for (const auto& [count, valid] : {std::pair{0, false}, {1, true}, {16, true}, {17, false}})
        EXPECT_EQ(IsValidTrackCount(count), valid) << count;
    EXPECT_EQ(PaneId(0, 0), 1000);
    EXPECT_EQ(PaneId(2, 3), 1035);
    EXPECT_EQ(PaneId(15, 15), 1255);
}

// Requested sizes while space lasts, the track at the edge cut so that it and
// its bar end there; requested sizes are kept, so a larger splitter restores them.
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
        {"first too long: the next gets nothing", {150, 30, 0}, 100, {96, 0, kRestOfSpace}},
        {"second track meets the edge", {50, 50, 0}, 104, {50, 46, kRestOfSpace}},
        {"leftover smaller than a bar is absorbed", {10, 0}, 12, {8, kRestOfSpace}},
        {"too small to spare a bar: takes it all", {1, 0}, 3, {3, kRestOfSpace}},
        {"a single pixel left", {5, 0}, 1, {1, kRestOfSpace}},
        {"empty track absorbs a leftover too small for its bar", {0, 0}, 3, {3, kRestOfSpace}},
        {"negative request counts as 0", {-10, 40, 0}, 100, {0, 40, kRestOfSpace}},
        {"largest request", {kIntMax, 0}, 100, {96, kRestOfSpace}},
        {"zero length", {50, 50, 0}, 0, {0, 0, kRestOfSpace}},
        {"negative length taken as 0", {50, 0}, -30, {0, kRestOfSpace}},
        {"a leftover as wide as a bar is the track's", {2, 0}, 4, {4, kRestOfSpace}},
        {"sixteen tracks", std::vector<int>(16, 10), 100, {10, 10, 10, 10, 10, 10, 10, 2, 0, 0, 0, 0, 0, 0, 0, kRestOfSpace}},
        {"single track takes everything", {70}, 100, {kRestOfSpace}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Track> tracks;
        for (int size : c.requested)
            tracks.push_back({size, -12345});
        FitTracks(tracks, c.length, 4);
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            EXPECT_EQ(tracks[i].actual, c.actual[i]) << i;
            EXPECT_EQ(tracks[i].requested, c.requested[i]) << i;
        }
    }

    // An empty list right after a track: a fit that reached for "the last
    // track" of nothing would land on it.
    std::vector<Track> tracks{{10, 11}, {20, 21}};
    FitTracks(std::span<Track>(tracks).subspan(1, 0), 100, 4);
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
        {"inner bottom takes the rest", {340, 340}, {340}, client, 1, 0, {0, 344, 800, 600}},
        {"cell of a 2x2", {100, 0}, {200, 0}, client, 1, 1, {204, 104, 800, 600}},
        {"client not at the origin", {100, 0}, {200, 0}, {10, 20, 810, 620}, 1, 1, {214, 124, 810, 620}},
        {"squeezed to 0 at the edge", {150, 30, 0}, {50}, {0, 0, 50, 100}, 1, 0, {0, 100, 50, 100}},
        {"past the edge: size 0, never negative", {150, 30, 0}, {50}, {0, 0, 50, 100}, 2, 0, {0, 104, 50, 104}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaneRect(Fitted(c.rows, c.columns, c.client), c.client, c.row, c.column), c.rect) << c.name;

    const std::vector<Track> tracks{{0, 10}, {0, 20}, {0, kRestOfSpace}};
    for (const auto& [index, start] : {std::pair{0, 5}, {1, 19}, {2, 43}, {-1, 5}, {3, kIntMax}})
        EXPECT_EQ(TrackStart(tracks, index, 5, 4), start) << index;
}

TEST(HitCodes, EncodeAndDecodeEveryBarAndCrossingAndNothingElse)
{
    const struct {
        BarHit hit;
        int code;
        SplitterCursor cursor;
    } cases[] = {
        {{BarKind::Row, 0, 0}, 101, SplitterCursor::SizeNorthSouth},
        {{BarKind::Row, 14, 0}, 115, SplitterCursor::SizeNorthSouth},
        {{BarKind::Column, 0, 0}, 201, SplitterCursor::SizeWestEast},
        {{BarKind::Column, 0, 14}, 215, SplitterCursor::SizeWestEast},
        {{BarKind::Crossing, 0, 0}, 301, SplitterCursor::SizeAll},
        {{BarKind::Crossing, 0, 14}, 315, SplitterCursor::SizeAll},
        {{BarKind::Crossing, 1, 0}, 316, SplitterCursor::SizeAll},
        {{BarKind::Crossing, 14, 14}, 525, SplitterCursor::SizeAll},
        {{BarKind::None, 0, 0}, 0, SplitterCursor::Arrow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(EncodeHit(c.hit), c.code);
        const BarHit decoded = DecodeHit(c.code);
        EXPECT_EQ(decoded.kind, c.hit.kind);
        EXPECT_EQ(decoded.row, c.hit.row);
        EXPECT_EQ(decoded.column, c.hit.column);
        EXPECT_EQ(CursorForHit(c.code), c.cursor);
    }
    for (int code : {-1, 1, 100, 116, 200, 216, 300, 526, 1000, kIntMax, std::numeric_limits<int>::min()}) {
        EXPECT_EQ(DecodeHit(code).kind, BarKind::None) << code;
        EXPECT_EQ(CursorForHit(code), SplitterCursor::Arrow) << code;
    }
}

TEST(HitTest, NamesTheBarOrCrossingUnderAPoint)
{
    // 300 x 100: columns 0-100, bar 100-104, 104-154, bar 154-158, rest; rows 0-50, bar 50-54, rest.
    const GridRect client{0, 0, 300, 100};
    const SplitterGrid grid = Fitted({50, 0}, {100, 50, 0}, client);
    const struct {
        int x, y, code;
    } cases[] = {
        {10, 10, 0},    {99, 10, 0},    {100, 10, 201}, {103, 99, 201}, {104, 10, 0},  {154, 0, 202},
        {157, 10, 202}, {158, 10, 0},   {10, 50, 101},  {299, 53, 101}, {10, 54, 0},   {100, 50, 301},
        {103, 53, 301}, {155, 51, 302}, {-1, 51, 0},    {300, 51, 0},   {101, 100, 0}, {101, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HitTest(grid, client, {c.x, c.y}), c.code) << c.x << "," << c.y;
}

// Three rows of 50 and 60 in a 300 x 200 client, three columns of 100 and 40,
// bars 6 wide and 4 high (unequal, to catch a width used for a height): row
// bars at 50-54 and 114-118, column bars at 100-106 and 146-152.
const GridRect kClient{0, 0, 300, 200};
SplitterGrid ThreeByThree() { return Fitted({50, 60, 0}, {100, 40, 0}, kClient, 6); }

TEST(BeginDrag, RefusesCodesThatNameNoBarOfTheGrid)
{
    const SplitterGrid grid = ThreeByThree();
    for (int code : {0, 100, 103, 115, 203, 318, 331, 525, 526, -1})
        EXPECT_FALSE(BeginDrag(grid, kClient, code).has_value()) << code;
    for (int code : {101, 201, 301})
        EXPECT_FALSE(BeginDrag(Fitted({10}, {10}, kClient), kClient, code).has_value()) << "single cell, " << code;
}

// The band follows the mouse between its track's start and the far edge;
// the drop resizes only the track before the bar.
TEST(DragAndDrop, TheBandFollowsTheMouseWithinItsLimitsAndTheDropResizesTheTrackBeforeIt)
{
    const struct {
        const char* name;
        int code;
        GridPoint mouse;
        GridRect shadowA;
        bool moved;
        std::vector<int> rowsRequested, columnsRequested;
    } cases[] = {
        {"first row bar down", 101, {0, 82}, {0, 80, 300, 84}, true, {80, 60}, {100, 40}},
        {"row bar follows by its middle", 102, {7, 150}, {0, 148, 300, 152}, true, {50, 94}, {100, 40}},
        {"row bar above its row stops at the row's top", 102, {7, 10}, {0, 54, 300, 58}, true, {50, 0}, {100, 40}},
        {"row bar below the bottom stops one bar up", 102, {7, 5000}, {0, 196, 300, 200}, true, {50, 142}, {100, 40}},
        {"row bar where it already is", 102, {7, 116}, {0, 114, 300, 118}, false, {50, 60}, {100, 40}},
        {"column bar follows by its middle", 201, {203, 9}, {200, 0, 206, 200}, true, {50, 60}, {200, 40}},
        {"column bar past the right edge", 202, {9999, 9}, {294, 0, 300, 200}, true, {50, 60}, {100, 188}},
        {"second column bar stops at its column's left", 202, {0, 9}, {106, 0, 112, 200}, true, {50, 60}, {100, 0}},
        {"column bar where it already is", 201, {103, 50}, {100, 0, 106, 200}, false, {50, 60}, {100, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SplitterGrid grid = ThreeByThree();
        auto drag = BeginDrag(grid, kClient, c.code);
        ASSERT_TRUE(drag.has_value());
        const ShadowMoves moves = DragTo(*drag, c.mouse);
        EXPECT_EQ(drag->shadowA, c.shadowA);
        EXPECT_EQ(moves.movedA, c.moved);
        EXPECT_FALSE(moves.movedB || drag->hasShadowB);
        EXPECT_EQ(moves.Any(), c.moved);
        ApplyDrop(grid, kClient, *drag);
        EXPECT_EQ((std::vector<int>{grid.rows[0].requested, grid.rows[1].requested}), c.rowsRequested);
        EXPECT_EQ((std::vector<int>{grid.columns[0].requested, grid.columns[1].requested}), c.columnsRequested);
    }

    // The mouse holds a bar by its middle: half a bar back along the axes it moves on.
    const SplitterGrid grid = ThreeByThree();
    for (const auto& [code, x, y] : {std::tuple{101, 0, -2}, {201, -3, 0}, {316, -3, -2}}) {
        const auto held = BeginDrag(grid, kClient, code);
        EXPECT_TRUE(held->offset.x == x && held->offset.y == y) << code;
    }

    // A crossing moves each band along its own axis.
    auto drag = BeginDrag(grid, kClient, 316);
    ASSERT_TRUE(drag.has_value() && drag->hasShadowB);
    ShadowMoves moves = DragTo(*drag, {203, 150});
    EXPECT_TRUE(moves.movedA && moves.movedB);
    EXPECT_EQ(drag->shadowA, (GridRect{0, 148, 300, 152}));
    EXPECT_EQ(drag->shadowB, (GridRect{200, 0, 206, 200}));
    moves = DragTo(*drag, {203, 170});  // straight down: only the horizontal band
    EXPECT_TRUE(moves.movedA && !moves.movedB);
    EXPECT_EQ(drag->shadowB, (GridRect{200, 0, 206, 200}));
    moves = DragTo(*drag, {10000, 170});  // straight across, past the edge
    EXPECT_TRUE(!moves.movedA && moves.movedB && moves.Any());
    EXPECT_EQ(drag->shadowA, (GridRect{0, 168, 300, 172}));
    EXPECT_EQ(drag->shadowB, (GridRect{294, 0, 300, 200}));

    // A crossing of row bar 1 and column bar 5, which this grid lacks, drops
    // nothing; a drag of no bar moves nothing.
    SplitterGrid unchanged = ThreeByThree();
    SplitterDrag bogus;
    bogus.code = 321;
    bogus.shadowA = {0, 10, 300, 14};
    ApplyDrop(unchanged, kClient, bogus);
    EXPECT_EQ(unchanged.rows[1].requested, 60);
    SplitterDrag noBar;
    EXPECT_FALSE(DragTo(noBar, {5, 5}).Any());
}

TEST(ApplyDrop, TheBarLandsWhereItsShadowWas)
{
    const GridRect client{10, 20, 610, 420};  // away from the origin
    SplitterGrid grid = Fitted({100, 100, 0}, {200, 0}, client, 6);
    auto drag = BeginDrag(grid, client, 316);  // below row 1, right of column 0
    ASSERT_TRUE(drag.has_value());
    DragTo(*drag, {333, 301});
    ApplyDrop(grid, client, *drag);
    FitGrid(grid, client);
    EXPECT_EQ(PaneRect(grid, client, 1, 0).bottom, drag->shadowA.top);
    EXPECT_EQ(PaneRect(grid, client, 2, 0).top, drag->shadowA.bottom);
    EXPECT_EQ(PaneRect(grid, client, 0, 0).right, drag->shadowB.left);
    EXPECT_EQ(PaneRect(grid, client, 0, 1).left, drag->shadowB.right);
    EXPECT_EQ(PaneRect(grid, client, 0, 0).top, client.top);  // the first row did not move
    EXPECT_EQ(PaneRect(grid, client, 0, 0).bottom, client.top + 100);
}

} // namespace
} // namespace trackkit
