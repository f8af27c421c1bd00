#include "blockmap/hover.h"
#include "blockmap/view_state.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace trackkit {
namespace {

const std::wstring kReady = L" Ready...";

// Painted at block size 4 in clients of the sizes listed, hovered in a width x height one; by default 97 x 57 cells of 5.
struct Volume {
    std::uint32_t blocks = 5529, bytesPerCluster = 4096, bytesPerBlock = 65536;
    int width = 500, height = 300;
    std::vector<std::pair<int, int>> paints{{500, 300}};
    bool goneAfterPaint = false;  // the volume went away after the paint
};

std::unique_ptr<TrackViewState> PaintedView(const Volume& volume)
{
    auto view = std::make_unique<TrackViewState>();
    view->blockSize = 4;
    view->session.geometry = {volume.blocks, volume.bytesPerBlock, volume.bytesPerCluster, 0, 0};
    EXPECT_TRUE(view->session.bitmap.SizeFor(std::max<std::uint32_t>(volume.blocks, 1)));
    std::vector<Pixel> pixels(500 * 301);
    for (const auto& [width, height] : volume.paints)
        RememberLayout(*view, PaintBlockMap(PictureOf(*view, width, height, 0), {pixels.data(), 500, 301, 500}));
    if (volume.goneAfterPaint)
        view->session.geometry = {};
    return view;
}

TEST(ReadHover, CellsMarginsAndThePastTheEndGridAndTheClickedCell)
{
    using enum MouseCapture;
    const struct { const char* name; Volume volume; int x, y; MouseCapture capture; std::optional<std::wstring> text; } cases[] = {
        {"row 2, column 5", {}, 32, 17, Take, L"(32, 17)   Blocks=201-201   Clusters=3216-3231"},
        {"first pixel of the area", {}, 5, 5, Take, L"(5, 5)   Blocks=0-0   Clusters=0-15"},
        {"right margin", {}, 495, 100, Release, kReady}, {"bottom margin", {}, 100, 295, Release, kReady},
        {"first cell past N", {.blocks = 5000}, 16, 261, Take, kReady},
        {"last cell before N", {.blocks = 5000}, 11, 261, Take, L"(11, 261)   Blocks=4999-4999   Clusters=79984-79999"},
        {"partial column at the right edge", {.width = 503, .paints = {{503, 300}}}, 496, 17, Take, kReady},
        {"the pane grew since the paint", {.width = 520}, 502, 7, Take, L"(502, 7)   Blocks=99-99   Clusters=1584-1599"},
        {"the paint laid out no columns", {.paints = {{18, 300}}}, 32, 17, Take, kReady},
        {"a later paint without a grid keeps the last", {.paints = {{500, 300}, {12, 12}}}, 32, 17, Take,
            L"(32, 17)   Blocks=201-201   Clusters=3216-3231"},
        {"packed last cell ends at block N - 1", {.blocks = 20001}, 16, 261, Take,
            L"(16, 261)   Blocks=20000-20000   Clusters=320000-320015"},
        {"zoomed grid: pitch 9, margins stay 5", {.blocks = 1000}, 27, 18, Take, L"(27, 18)   Blocks=56-56   Clusters=896-911"},
        {"cluster size unknown", {.bytesPerCluster = 0}, 32, 17, Take, L"(32, 17)   Blocks=201-201   Clusters=?"},
        {"blocks smaller than clusters", {.bytesPerBlock = 512}, 32, 17, Take, L"(32, 17)   Blocks=201-201   Clusters=25-25"},
        {"beyond 2^31 and 2^32", {.blocks = 0xFFFFFFFF}, 16, 261, Take,
            L"(16, 261)   Blocks=3884040000-3884816807   Clusters=62144640000-62157068927"},
        {"never painted", {.paints = {}}, 32, 17, Keep, std::nullopt},
        {"volume gone since the paint", {.goneAfterPaint = true}, 32, 17, Keep, std::nullopt},
        {"the pane shrank below its margins", {.width = 10, .height = 10}, 6, 6, Release, kReady},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HoverReadout readout = ReadHover(*PaintedView(c.volume), c.volume.width, c.volume.height, c.x, c.y);
        EXPECT_TRUE(readout.capture == c.capture && readout.statusText == c.text) << testing::PrintToString(readout.statusText);
    }
    // A click asks about the cell under it: the last cell of a packed map reaches past N, which tells the lookup where to stop.
    const auto cell = LookupCellAt(*PaintedView({.blocks = 20001}), 500, 300, 16, 261);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ((std::array<std::uint64_t, 5>{cell->firstBlock, cell->blocksPerCell, cell->blockCount,
        cell->bytesPerBlock, cell->bytesPerCluster}),
              (std::array<std::uint64_t, 5>{20000, 4, 20001, 65536, 4096}));
    EXPECT_FALSE(LookupCellAt(*PaintedView({.blocks = 5000}), 500, 300, 16, 261).has_value());  // the first cell past N
}

} // namespace
} // namespace trackkit
