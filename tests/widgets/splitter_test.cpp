#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "widgets/drag_shadow_image.h"
#include "widgets/row_stripes.h"
#include "widgets/splitter_drag.h"
#include "widgets/splitter_grid.h"

namespace trackkit {
namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();

SplitterGrid Fitted(const std::vector<int>& rows, const std::vector<int>& columns, const Rect& client, int barWidth = 4)
{
    SplitterGrid grid{.rowCount = static_cast<int>(rows.size()), .columnCount = static_cast<int>(columns.size()), .barWidth = barWidth};
    std::transform(rows.begin(), rows.end(), grid.rows.begin(), [](int size) { return Track{size, 0}; });
    std::transform(columns.begin(), columns.end(), grid.columns.begin(), [](int size) { return Track{size, 0}; });
    FitGrid(grid, client);
    return grid;
}

// The track at the edge cut so that it and its bar end there; requests are kept, so a larger splitter restores them.
TEST(FitTracks, KeepsRequestedSizesWhileSpaceLastsAndCutsAtTheEdge)
{
    const struct { const char* name; std::vector<int> requested; int length; std::vector<int> actual; } cases[] = {
        {"room to spare", {280, 999}, 800, {280, kRestOfSpace}}, {"track and bar end at the edge", {96, 0}, 100, {96, kRestOfSpace}},
        {"two short of the edge: cut back for the bar", {98, 0}, 100, {96, kRestOfSpace}}, {"one pixel", {5, 0}, 1, {1, kRestOfSpace}},
        {"first too long: the next gets nothing", {150, 30, 0}, 100, {96, 0, kRestOfSpace}},
        {"largest", {kIntMax, 0}, 100, {96, kRestOfSpace}},
        {"second track meets the edge", {50, 50, 0}, 104, {50, 46, kRestOfSpace}}, {"zero length", {50, 50, 0}, 0, {0, 0, kRestOfSpace}},
        {"leftover smaller than a bar is absorbed", {10, 0}, 12, {8, kRestOfSpace}}, {"leftover of a bar", {2, 0}, 4, {4, kRestOfSpace}},
        {"too small to spare a bar: takes it all", {1, 0}, 3, {3, kRestOfSpace}}, {"negative length", {50, 0}, -30, {0, kRestOfSpace}},
        {"empty track absorbs a leftover", {0, 0}, 3, {3, kRestOfSpace}},
        {"negative request as 0", {-10, 40, 0}, 100, {0, 40, kRestOfSpace}},
        {"sixteen tracks", std::vector<int>(16, 10), 100, {10, 10, 10, 10, 10, 10, 10, 2, 0, 0, 0, 0, 0, 0, 0, kRestOfSpace}},
        {"single track takes everything", {70}, 100, {kRestOfSpace}}};
    for (const auto& c : cases) {
        std::vector<Track> tracks(c.requested.size());
        std::transform(c.requested.begin(), c.requested.end(), tracks.begin(), [](int size) { return Track{size, -12345}; });
        FitTracks(tracks, c.length, 4);
        for (std::size_t i = 0; i < tracks.size(); ++i)
            EXPECT_EQ((std::pair{tracks[i].requested, tracks[i].actual}), (std::pair{c.requested[i], c.actual[i]})) << c.name << ", " << i;
    }
    // An empty list right after a track: a fit that reached for "the last track" of nothing would land on it.
    std::vector<Track> tracks{{10, 11}, {20, 21}};
    FitTracks(std::span<Track>(tracks).subspan(1, 0), 100, 4);
    EXPECT_EQ((std::pair{tracks[0].actual, tracks[1].actual}), (std::pair{11, 21}));
}

TEST(PaneRect, PlacesEachCellAfterTheTracksAndBarsBeforeIt)
{
    const SplitterGrid squeezed = Fitted({150, 30, 0}, {50}, {0, 0, 50, 100});
    EXPECT_EQ(PaneRect(Fitted({100, 0}, {200, 0}, {10, 20, 810, 620}), {10, 20, 810, 620}, 1, 1), (Rect{214, 124, 810, 620}));
    EXPECT_EQ(PaneRect(squeezed, {0, 0, 50, 100}, 1, 0), (Rect{0, 100, 50, 100}));  // squeezed to 0 at the edge
    EXPECT_EQ(PaneRect(squeezed, {0, 0, 50, 100}, 2, 0), (Rect{0, 104, 50, 104}));  // past it: size 0, never negative

    const std::vector<Track> tracks{{0, 10}, {0, 20}, {0, kRestOfSpace}};
    for (const auto& [index, start] : {std::pair{0, 5}, {1, 19}, {2, 43}, {-1, 5}, {3, kIntMax}})
        EXPECT_EQ(TrackStart(tracks, index, 5, 4), start) << index;
}

TEST(SplitterGrid, BarSizesTrackCountsPaneIdsAndHitCodes)
{
    // unmeasured: 96
    for (const auto& [dpiX, dpiY, width, height] : {std::array{96, 96, 4, 4}, {120, 120, 5, 5}, {144, 192, 6, 8},
        {0, -96, 4, 4}})
        EXPECT_EQ((std::pair{BarSizesForDpi(dpiX, dpiY).width, BarSizesForDpi(dpiX, dpiY).height}), (std::pair{width, height})) << dpiX;
    EXPECT_EQ((std::array{IsValidTrackCount(0), IsValidTrackCount(1), IsValidTrackCount(16), IsValidTrackCount(17)}),
        (std::array{false, true, true, false}));
    EXPECT_EQ((std::array{PaneId(0, 0), PaneId(2, 3), PaneId(15, 15)}), (std::array{1000, 1035, 1255}));
    using enum BarKind;
    using enum SplitterCursor;
    const struct { int code; BarHit hit; SplitterCursor cursor; } bars[] = {
        {101, {Row, 0, 0}, SizeNorthSouth}, {115, {Row, 14, 0}, SizeNorthSouth}, {201, {Column, 0, 0}, SizeWestEast},
        {215, {Column, 0, 14}, SizeWestEast}, {301, {Crossing, 0, 0}, SizeAll}, {315, {Crossing, 0, 14}, SizeAll},
        {316, {Crossing, 1, 0}, SizeAll}, {525, {Crossing, 14, 14}, SizeAll}, {0, {None, 0, 0}, Arrow}};
    for (const auto& c : bars) {
        const BarHit decoded = DecodeHit(c.code);
        EXPECT_TRUE(decoded.kind == c.hit.kind && decoded.row == c.hit.row && decoded.column == c.hit.column
            && EncodeHit(c.hit) == c.code &&
                    CursorForHit(c.code) == c.cursor) << c.code;
    }
    for (int code : {-1, 1, 100, 116, 200, 216, 300, 526, 1000, kIntMax, std::numeric_limits<int>::min()})
        EXPECT_TRUE(DecodeHit(code).kind == None && CursorForHit(code) == Arrow) << code;
}

// Rows of 50, 60 and columns of 100, 40 in 300 x 200 at (10, 20), bars 6 x 4: row bars 70-74, 134-138, columns 110-116, 156-162.
const Rect kClient{10, 20, 310, 220};
SplitterGrid ThreeByThree() { return Fitted({50, 60, 0}, {100, 40, 0}, kClient, 6); }

TEST(HitTest, NamesTheBarOrCrossingUnderAPoint)
{
    const SplitterGrid grid = ThreeByThree();
    const struct { int x, y, code; } cases[] = {
        {20, 30, 0},    {109, 30, 0},   {110, 30, 201}, {115, 219, 201}, {116, 30, 0},  {156, 20, 202}, {161, 30, 202},
        {162, 30, 0},   {10, 72, 101},  {309, 73, 101}, {20, 74, 0},     {110, 70, 301}, {115, 73, 301}, {157, 71, 302},
        {160, 136, 317}, {9, 71, 0},    {310, 71, 0},   {111, 220, 0},   {111, 19, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(HitTest(grid, kClient, {c.x, c.y}), c.code) << c.x << "," << c.y;
}

// The band moves between its track's start and the far edge, a crossing's along both axes; codes of no bar start no drag.
TEST(DragAndDrop, TheBandFollowsTheMouseWithinItsLimitsAndTheDropResizesTheTrackBeforeIt)
{
    for (int code : {0, 103, 115, 203, 318, 331, 525})
        EXPECT_FALSE(BeginDrag(ThreeByThree(), kClient, code).has_value()) << code;
    for (int code : {101, 201, 301})
        EXPECT_FALSE(BeginDrag(Fitted({10}, {10}, kClient), kClient, code).has_value()) << "single cell, " << code;
    for (const auto& [code, x, y] : {std::array{101, 0, -2}, {201, -3, 0}, {316, -3, -2}})  // held by the middle
        EXPECT_TRUE(BeginDrag(ThreeByThree(), kClient, code)->offset.x == x
            && BeginDrag(ThreeByThree(), kClient, code)->offset.y == y) << code;

    const struct { const char* name; int code; GridPoint mouse; bool movedA, movedB; Rect shadowA,
        shadowB; std::array<int, 4> rowsThenColumns; } cases[] = {
        {"row bar follows", 102, {17, 170}, true, false, {10, 168, 310, 172}, {}, {50, 94, 100, 40}},
        {"row bar above its row stops at the row's top", 102, {17, 30}, true, false, {10, 74, 310, 78}, {}, {50, 0, 100, 40}},
        {"row bar below the bottom stops one bar up", 102, {17, 5000}, true, false, {10, 216, 310, 220}, {}, {50, 142, 100, 40}},
        {"row bar where it already is", 102, {17, 136}, false, false, {10, 134, 310, 138}, {}, {50, 60, 100, 40}},
        {"column bar follows", 201, {213, 29}, true, false, {210, 20, 216, 220}, {}, {50, 60, 200, 40}},
        {"column bar past the right edge", 202, {9999, 29}, true, false, {304, 20, 310, 220}, {}, {50, 60, 100, 188}},
        {"column bar left of its column stops at its left", 202, {0, 29}, true, false, {116, 20, 122, 220}, {}, {50, 60, 100, 0}},
        {"column bar where it already is", 201, {113, 70}, false, false, {110, 20, 116, 220}, {}, {50, 60, 100, 40}},
        {"crossing both ways", 316, {213, 170}, true, true, {10, 168, 310, 172}, {210, 20, 216, 220}, {50, 94, 200, 40}},
        {"crossing straight down", 316, {113, 190}, true, false, {10, 188, 310, 192}, {110, 20, 116, 220}, {50, 114, 100, 40}},
        {"crossing straight across, past the edge", 316, {10000, 136}, false, true, {10, 134, 310, 138},
            {304, 20, 310, 220}, {50, 60, 294, 40}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SplitterGrid grid = ThreeByThree();
        auto drag = BeginDrag(grid, kClient, c.code);
        ASSERT_TRUE(drag.has_value());
        const ShadowMoves moves = DragTo(*drag, c.mouse);
        EXPECT_TRUE(moves.movedA == c.movedA && moves.movedB == c.movedB && moves.Any() == (c.movedA || c.movedB));
        EXPECT_TRUE(drag->shadowA == c.shadowA && drag->hasShadowB == (c.code > 300) && (c.code < 300 || drag->shadowB == c.shadowB));
        ApplyDrop(grid, kClient, *drag);
        EXPECT_EQ((std::array{grid.rows[0].requested, grid.rows[1].requested, grid.columns[0].requested, grid.columns[1].requested}),
                  c.rowsThenColumns);
    }

    // A drag of no bar moves nothing; a crossing of row bar 1 and column bar 5, which this grid lacks, drops nothing.
    SplitterGrid unchanged = ThreeByThree();
    SplitterDrag drag;
    EXPECT_FALSE(DragTo(drag, {5, 5}).Any());
    drag.code = 321;
    drag.shadowA = {10, 30, 310, 34};
    ApplyDrop(unchanged, kClient, drag);
    EXPECT_EQ(unchanged.rows[1].requested, 60);
}

TEST(ShadowImage, AUniformDarkBandOfSizesThatFitADib)
{
    const struct { std::uint8_t red, green, blue, alpha; std::uint32_t pixel; } pixels[] = {
        {0, 0, 0, 0x90, 0x90000000}, {255, 255, 255, 0x90, 0x90909090}, {255, 255, 255, 255, 0xFFFFFFFF}, {200, 100, 50, 0, 0},
        {200, 100, 50, 128, 0x80643219}, {1, 3, 255, 128, 0x80010280}};  // 100.4, 50.2, 25.1; 0.502 -> 1, 1.506 -> 2
    for (const auto& c : pixels)
        EXPECT_EQ(PremultipliedPixel(c.red, c.green, c.blue, c.alpha), c.pixel) << int{c.red} << "," << int{c.green}
            << "," << int{c.blue} << " at " << int{c.alpha};

    std::vector<std::uint32_t> band(ShadowImageByteCount(800, 4).value() / 4, 0x12345678);
    FillShadowImage(band);
    EXPECT_EQ(std::count(band.begin(), band.end(), 0x90000000u), 3200);
    for (const auto& [width, height, fits] : {std::array{1, 1, 1}, {0, 4, 0}, {4, 0, 0}, {-1, 4, 0}, {32767, 32768, 1},
        {32768, 32768, 0}, {kIntMax, kIntMax, 0}})
        EXPECT_EQ(ShadowImageByteCount(width, height).has_value(), fits == 1) << width << " x " << height;
}

// Each channel rounded on its own; a byte above the colour is ignored.
TEST(RowStripes, OddRowsOnNinetyEightPercentWindowAndTwoPercentText)
{
    const struct { StripeColor window, text, stripe; } cases[] = {
        {0x00FFFFFF, 0x00000000, 0x00FAFAFA}, {0x00000000, 0x00FFFFFF, 0x00050505}, {0xFFFFFFFF, 0xFF000000, 0x00FAFAFA},
        {0x008000FF, 0x0040FF00, 0x007F05FA},  // 250, 5, 127 (126.72)
        {0x00333333, 0x00000000, 0x00323232}, {0x00191919, 0x00000000, 0x00191919}};  // 49.98 rounds to 50, 24.5 up
    for (const auto& c : cases)
        EXPECT_EQ(StripeColorFor(c.window, c.text), c.stripe) << std::hex << c.window << " " << c.text;

    const RowStripeColors colors = MakeRowStripeColors(0x00FFFFFF, 0x00102030);
    EXPECT_EQ((std::vector{colors.text, colors.window, colors.stripe}), (std::vector<StripeColor>{0x00102030, 0x00FFFFFF, 0x00FAFBFB}));
    for (const auto& [item, striped] : {std::pair{std::uint64_t{0}, false}, {1, true}, {2, false}, {17, true},
        {~std::uint64_t{1}, false}, {~std::uint64_t{0}, true}})
        EXPECT_EQ(RowBackground(colors, item), striped ? colors.stripe : colors.window) << item;
}

} // namespace
} // namespace trackkit
