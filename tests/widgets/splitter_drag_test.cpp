#include "widgets/splitter_drag.h"

#include <gtest/gtest.h>

#include <vector>

namespace trackkit {
namespace {

SplitterGrid FittedGrid(const std::vector<int>& rowSizes, const std::vector<int>& columnSizes, const GridRect& client)
{
    SplitterGrid grid;
    grid.rowCount = static_cast<int>(rowSizes.size());
    grid.columnCount = static_cast<int>(columnSizes.size());
    grid.barWidth = 6;  // unequal bars catch a width used for a height
    grid.barHeight = 4;
    for (std::size_t i = 0; i < rowSizes.size(); ++i)
        grid.rows[i].requested = rowSizes[i];
    for (std::size_t i = 0; i < columnSizes.size(); ++i)
        grid.columns[i].requested = columnSizes[i];
    FitGrid(grid, client);
    return grid;
}

// Three rows of 50 and 60 in a 300 x 200 client; three columns of 100 and 40.
// Row bars at 50-54 and 114-118; column bars at 100-106 and 146-152.
const GridRect kClient{0, 0, 300, 200};

SplitterGrid ThreeByThree()
{
    return FittedGrid({50, 60, 0}, {100, 40, 0}, kClient);
}

TEST(BeginDrag, SetsUpTheBandItsLimitsAndTheGrip)
{
    const struct {
        const char* name;
        int code;
        GridRect limits, shadowA;
        GridPoint offset;
        bool hasShadowB;
        GridRect shadowB;
    } cases[] = {
        {"first row bar", 101, {0, 0, 300, 196}, {0, 50, 300, 54}, {0, -2}, false, {}},
        {"second row bar: stops at its own row's top", 102, {0, 54, 300, 196}, {0, 114, 300, 118}, {0, -2}, false, {}},
        {"first column bar", 201, {0, 0, 294, 200}, {100, 0, 106, 200}, {-3, 0}, false, {}},
        {"second column bar", 202, {106, 0, 294, 200}, {146, 0, 152, 200}, {-3, 0}, false, {}},
        {"crossing of the second row bar and first column bar", 316, {0, 54, 294, 196}, {0, 114, 300, 118}, {-3, -2},
         true, {100, 0, 106, 200}},
    };
    const SplitterGrid grid = ThreeByThree();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto drag = BeginDrag(grid, kClient, c.code);
        ASSERT_TRUE(drag.has_value());
        EXPECT_EQ(drag->code, c.code);
        EXPECT_EQ(drag->limits, c.limits);
        EXPECT_EQ(drag->shadowA, c.shadowA);
        EXPECT_EQ(drag->offset.x, c.offset.x);
        EXPECT_EQ(drag->offset.y, c.offset.y);
        EXPECT_EQ(drag->hasShadowB, c.hasShadowB);
        if (c.hasShadowB) {
            EXPECT_EQ(drag->shadowB, c.shadowB);
        }
    }
}

TEST(BeginDrag, RefusesCodesThatNameNoBarOfTheGrid)
{
    const SplitterGrid grid = ThreeByThree();  // bars 0 and 1 each way
    for (int code : {0, 100, 103, 115, 203, 318, 331, 525, 526, -1})
        EXPECT_FALSE(BeginDrag(grid, kClient, code).has_value()) << code;
    const SplitterGrid single = FittedGrid({10}, {10}, kClient);
    for (int code : {101, 201, 301})
        EXPECT_FALSE(BeginDrag(single, kClient, code).has_value()) << code;
}

TEST(DragTo, ClampsTheBandBetweenItsTrackStartAndTheFarEdge)
{
    const struct {
        const char* name;
        int code;
        GridPoint mouse;
        GridRect shadowA;
        bool moved;
    } cases[] = {
        {"row bar follows by its middle", 102, {7, 150}, {0, 148, 300, 152}, true},
        {"row bar ignores x", 102, {-500, 150}, {0, 148, 300, 152}, true},
        {"row bar above its row stops at the row's top", 102, {7, 10}, {0, 54, 300, 58}, true},
        {"row bar below the bottom stops one bar up", 102, {7, 5000}, {0, 196, 300, 200}, true},
        {"row bar where it already is", 102, {7, 116}, {0, 114, 300, 118}, false},
        {"column bar follows by its middle", 201, {203, 9}, {200, 0, 206, 200}, true},
        {"column bar left of its column stops at 0", 201, {-40, 9}, {0, 0, 6, 200}, true},
        {"column bar past the right edge", 202, {9999, 9}, {294, 0, 300, 200}, true},
        {"second column bar stops at its column's left", 202, {0, 9}, {106, 0, 112, 200}, true},
        {"column bar where it already is", 201, {103, 50}, {100, 0, 106, 200}, false},
    };
    const SplitterGrid grid = ThreeByThree();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto drag = BeginDrag(grid, kClient, c.code);
        ASSERT_TRUE(drag.has_value());
        const ShadowMoves moves = DragTo(*drag, c.mouse);
        EXPECT_EQ(drag->shadowA, c.shadowA);
        EXPECT_EQ(moves.movedA, c.moved);
        EXPECT_FALSE(moves.movedB);
    }
}

TEST(DragTo, MovesACrossingsBandsEachAlongItsOwnAxis)
{
    const SplitterGrid grid = ThreeByThree();
    auto drag = BeginDrag(grid, kClient, 316);
    ASSERT_TRUE(drag.has_value());

    ShadowMoves moves = DragTo(*drag, {203, 150});
    EXPECT_TRUE(moves.movedA && moves.movedB);
    EXPECT_EQ(drag->shadowA, (GridRect{0, 148, 300, 152}));
    EXPECT_EQ(drag->shadowB, (GridRect{200, 0, 206, 200}));

    moves = DragTo(*drag, {203, 170});  // straight down: only the horizontal band
    EXPECT_TRUE(moves.movedA);
    EXPECT_FALSE(moves.movedB);
    EXPECT_EQ(drag->shadowB, (GridRect{200, 0, 206, 200}));

    moves = DragTo(*drag, {10000, 170});  // straight across, past the edge
    EXPECT_FALSE(moves.movedA);
    EXPECT_TRUE(moves.movedB);
    EXPECT_EQ(drag->shadowA, (GridRect{0, 168, 300, 172}));
    EXPECT_EQ(drag->shadowB, (GridRect{294, 0, 300, 200}));
}

TEST(ApplyDrop, ResizesOnlyTheTrackBeforeTheBar)
{
    const struct {
        const char* name;
        int code;
        GridPoint mouse;
        std::vector<int> rowsRequested, columnsRequested;
    } cases[] = {
        {"first row bar down", 101, {0, 82}, {80, 60}, {100, 40}},
        {"second row bar up to its row's top", 102, {0, 0}, {50, 0}, {100, 40}},
        {"second row bar to the bottom", 102, {0, 999}, {50, 142}, {100, 40}},
        {"first column bar", 201, {63, 0}, {50, 60}, {60, 40}},
        {"second column bar", 202, {203, 0}, {50, 60}, {100, 94}},
        {"crossing", 316, {203, 150}, {50, 94}, {200, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SplitterGrid grid = ThreeByThree();
        auto drag = BeginDrag(grid, kClient, c.code);
        ASSERT_TRUE(drag.has_value());
        DragTo(*drag, c.mouse);
        ApplyDrop(grid, kClient, *drag);
        EXPECT_EQ((std::vector<int>{grid.rows[0].requested, grid.rows[1].requested}), c.rowsRequested);
        EXPECT_EQ((std::vector<int>{grid.columns[0].requested, grid.columns[1].requested}), c.columnsRequested);
    }
}

TEST(ApplyDrop, TheBarLandsWhereItsShadowWas)
{
    const GridRect client{10, 20, 610, 420};  // away from the origin
    SplitterGrid grid = FittedGrid({100, 100, 0}, {200, 0}, client);
    auto drag = BeginDrag(grid, client, 316);  // below row 1, right of column 0
    ASSERT_TRUE(drag.has_value());
    DragTo(*drag, {333, 301});
    const GridRect horizontal = drag->shadowA;
    const GridRect vertical = drag->shadowB;
    ApplyDrop(grid, client, *drag);
    FitGrid(grid, client);
    EXPECT_EQ(PaneRect(grid, client, 1, 0).bottom, horizontal.top);
    EXPECT_EQ(PaneRect(grid, client, 2, 0).top, horizontal.bottom);
    EXPECT_EQ(PaneRect(grid, client, 0, 0).right, vertical.left);
    EXPECT_EQ(PaneRect(grid, client, 0, 1).left, vertical.right);
    EXPECT_EQ(PaneRect(grid, client, 0, 0).top, client.top);  // the first row did not move
    EXPECT_EQ(PaneRect(grid, client, 0, 0).bottom, client.top + 100);
}

TEST(ApplyDrop, IgnoresADragThatNamesNoBarOfTheGrid)
{
    SplitterGrid grid = ThreeByThree();
    SplitterDrag bogus;
    bogus.code = 115;  // row bar 14 of a 3-row grid
    bogus.shadowA = {0, 10, 300, 14};
    ApplyDrop(grid, kClient, bogus);
    for (const Track& row : grid.rows)
        EXPECT_GE(row.requested, 0);
    EXPECT_EQ(grid.rows[0].requested, 50);
    EXPECT_EQ(grid.rows[1].requested, 60);
}

} // namespace
} // namespace trackkit
