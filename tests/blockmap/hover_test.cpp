#include "blockmap/hover.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>
#include <vector>

namespace trackkit {
namespace {

const std::wstring kReady = L" Ready...";

struct Volume {
    std::uint32_t blocks = 5529;
    std::uint32_t bytesPerCluster = 4096;
    std::uint32_t bytesPerBlock = 65536;
    int width = 500;  // client size of the hover, and of the paint unless paintWidth is given
    int height = 300;
    int paintWidth = 0;
};

// A pane's record after one paint of the volume, at block size 4. The
// default is the worked example: pitch 5, a 490 x 290 area from (5, 5),
// lc = 97, lr = 57, one block per cell.
std::unique_ptr<TrackViewState> PaintedView(const Volume& volume)
{
    auto view = std::make_unique<TrackViewState>();
    view->blockSize = 4;
    view->session.geometry = {volume.blocks, volume.bytesPerBlock, volume.bytesPerCluster, 0, 0};
    EXPECT_TRUE(view->session.bitmap.SizeFor(std::max<std::uint32_t>(volume.blocks, 1)));
    const int width = volume.paintWidth != 0 ? volume.paintWidth : volume.width;
    std::vector<Pixel> pixels(static_cast<std::size_t>(width) * (volume.height + 1));
    const PixelBuffer target{pixels.data(), width, volume.height + 1, width};
    RememberLayout(*view, PaintBlockMap(PictureOf(*view, width, volume.height, 0), target));
    return view;
}

TEST(ReadHover, CellsMarginsAndThePastTheEndGrid)
{
    const struct {
        const char* name;
        Volume volume;
        int x, y;
        MouseCapture capture;
        std::wstring text;
    } cases[] = {
        {"row 2, column 5", {}, 32, 17, MouseCapture::Take, L"(32, 17)   Blocks=201-201   Clusters=3216-3231"},
        {"first pixel of the area", {}, 5, 5, MouseCapture::Take, L"(5, 5)   Blocks=0-0   Clusters=0-15"},
        {"right margin", {}, 495, 100, MouseCapture::Release, kReady},
        {"bottom margin", {}, 100, 295, MouseCapture::Release, kReady},
        {"first cell past N", {.blocks = 5000}, 16, 261, MouseCapture::Take, kReady},
        {"last cell before N", {.blocks = 5000}, 11, 261, MouseCapture::Take,
         L"(11, 261)   Blocks=4999-4999   Clusters=79984-79999"},
        {"partial column at the right edge", {.width = 503}, 496, 17, MouseCapture::Take, kReady},
        {"the pane grew since the paint", {.width = 520, .paintWidth = 500}, 502, 7, MouseCapture::Take,
         L"(502, 7)   Blocks=99-99   Clusters=1584-1599"},
        {"the paint laid out no columns", {.width = 500, .paintWidth = 18}, 32, 17, MouseCapture::Take, kReady},
        {"packed last cell ends at block N - 1", {.blocks = 20001}, 16, 261, MouseCapture::Take,
         L"(16, 261)   Blocks=20000-20000   Clusters=320000-320015"},
        {"zoomed grid: pitch 9, margins stay 5", {.blocks = 1000}, 27, 18, MouseCapture::Take,
         L"(27, 18)   Blocks=56-56   Clusters=896-911"},
        {"cluster size unknown", {.bytesPerCluster = 0}, 32, 17, MouseCapture::Take, L"(32, 17)   Blocks=201-201   Clusters=?"},
        {"blocks smaller than clusters", {.bytesPerCluster = 4096, .bytesPerBlock = 512}, 32, 17, MouseCapture::Take,
         L"(32, 17)   Blocks=201-201   Clusters=25-25"},
        {"blocks beyond 2^31 and clusters beyond 2^32", {.blocks = std::numeric_limits<std::uint32_t>::max()}, 16, 261,
         MouseCapture::Take, L"(16, 261)   Blocks=3884040000-3884816807   Clusters=62144640000-62157068927"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto view = PaintedView(c.volume);
        const HoverReadout readout = ReadHover(*view, c.volume.width, c.volume.height, c.x, c.y);
        EXPECT_EQ(readout.capture, c.capture);
        EXPECT_EQ(readout.statusText, c.text);
    }
}

TEST(ReadHover, NothingChangesBeforeAPaintOrWithoutBlocks)
{
    TrackViewState neverPainted;
    neverPainted.session.geometry = {5529, 65536, 4096, 0, 0};
    const auto noVolume = PaintedView({});
    noVolume->session.geometry = {};  // the volume went away after the paint
    for (const TrackViewState* view : {&neverPainted, noVolume.get()}) {
        const HoverReadout readout = ReadHover(*view, 500, 300, 32, 17);
        EXPECT_EQ(readout.capture, MouseCapture::Keep);
        EXPECT_FALSE(readout.statusText.has_value());
        const MapHit hit = HitTestMap(*view, 500, 300, 32, 17);
        EXPECT_FALSE(hit.mapKnown || hit.insideArea || hit.cell);
    }
    // A pane that shrank below its margins has no map area left, whatever
    // the last paint recorded.
    const HoverReadout shrunk = ReadHover(*PaintedView({}), 10, 10, 6, 6);
    EXPECT_EQ(shrunk.capture, MouseCapture::Release);
    EXPECT_EQ(shrunk.statusText, kReady);
}

// A click asks about the cell under it, with the volume's geometry: the last
// cell of a packed map reaches past N, and N tells the lookup where to stop.
TEST(LookupCellAt, TheClickedCellAndTheVolumesGeometry)
{
    const auto cell = LookupCellAt(*PaintedView({.blocks = 20001}), 500, 300, 16, 261);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ((std::array<std::uint64_t, 5>{cell->firstBlock, cell->blocksPerCell, cell->blockCount, cell->bytesPerBlock,
                                            cell->bytesPerCluster}),
              (std::array<std::uint64_t, 5>{20000, 4, 20001, 65536, 4096}));
    EXPECT_FALSE(LookupCellAt(*PaintedView({.blocks = 5000}), 500, 300, 16, 261).has_value());  // the first cell past N
}

} // namespace
} // namespace trackkit
