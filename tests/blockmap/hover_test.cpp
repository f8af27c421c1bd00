#include "blockmap/hover.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace trackkit {
namespace {

constexpr std::uint32_t kMaxBlocks = std::numeric_limits<std::uint32_t>::max();
const std::wstring kReady = L" Ready...";

struct Volume {
    std::uint32_t blocks = 5529;
    std::uint32_t bytesPerCluster = 4096;
    std::uint32_t bytesPerBlock = 65536;
    int width = 500;   // client size of the paint and of the hover
    int height = 300;
    int dpi = 96;
};

// A pane's record after one paint of the volume, at block size 4. The
// default is the worked example: pitch 5, a 490 x 290 area from (5, 5),
// lc = 97, lr = 57, one block per cell.
std::unique_ptr<TrackViewState> PaintedView(const Volume& volume)
{
    auto view = std::make_unique<TrackViewState>();
    view->blockSize = 4;
    view->dpiX = view->dpiY = volume.dpi;
    view->session.geometry = {volume.blocks, volume.bytesPerBlock, volume.bytesPerCluster, 0, 0};
    EXPECT_TRUE(view->session.bitmap.SizeFor(std::max<std::uint32_t>(volume.blocks, 1)));
    std::vector<Pixel> pixels(static_cast<std::size_t>(volume.width) * (volume.height + 1));
    const PixelBuffer target{pixels.data(), volume.width, volume.height + 1, volume.width};
    RememberLayout(*view, PaintBlockMap(PictureOf(*view, volume.width, volume.height, 0), target));
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
        {"the cell's gap pixels belong to it", {}, 34, 19, MouseCapture::Take,
         L"(34, 19)   Blocks=201-201   Clusters=3216-3231"},
        {"first pixel of the area", {}, 5, 5, MouseCapture::Take, L"(5, 5)   Blocks=0-0   Clusters=0-15"},
        {"cell of block N - 1", {}, 207, 287, MouseCapture::Take,
         L"(207, 287)   Blocks=5528-5528   Clusters=88448-88463"},
        {"last grid position, past N", {}, 494, 294, MouseCapture::Take, kReady},
        {"left margin", {}, 4, 100, MouseCapture::Release, kReady},
        {"top margin", {}, 100, 4, MouseCapture::Release, kReady},
        {"right margin", {}, 495, 100, MouseCapture::Release, kReady},
        {"bottom margin", {}, 100, 295, MouseCapture::Release, kReady},
        {"outside the client, while captured", {}, -20, 400, MouseCapture::Release, kReady},
        {"first cell past N", {.blocks = 5000}, 16, 261, MouseCapture::Take, kReady},
        {"last cell before N", {.blocks = 5000}, 11, 261, MouseCapture::Take,
         L"(11, 261)   Blocks=4999-4999   Clusters=79984-79999"},
        {"grid position rows after N", {.blocks = 5000}, 300, 290, MouseCapture::Take, kReady},
        {"partial column at the right edge", {.width = 503}, 496, 17, MouseCapture::Take, kReady},
        {"partial row at the bottom edge", {.height = 303}, 32, 296, MouseCapture::Take, kReady},
        {"packed: four blocks per cell", {.blocks = 20000}, 32, 17, MouseCapture::Take,
         L"(32, 17)   Blocks=804-807   Clusters=12864-12927"},
        {"packed last cell ends at block N - 1", {.blocks = 20001}, 16, 261, MouseCapture::Take,
         L"(16, 261)   Blocks=20000-20000   Clusters=320000-320015"},
        {"packed last cell with two blocks", {.blocks = 20002}, 16, 261, MouseCapture::Take,
         L"(16, 261)   Blocks=20000-20001   Clusters=320000-320031"},
        {"zoomed grid: pitch 9, margins stay 5", {.blocks = 1000}, 27, 18, MouseCapture::Take,
         L"(27, 18)   Blocks=56-56   Clusters=896-911"},
        {"zoomed grid's partial column", {.blocks = 1000}, 493, 18, MouseCapture::Take, kReady},
        {"144 DPI: pitch and margins 7", {.blocks = 2720, .dpi = 144}, 7 + 7 * 5 + 3, 7 + 7 * 2 + 3,
         MouseCapture::Take, L"(45, 24)   Blocks=143-143   Clusters=2288-2303"},
        {"cluster size unknown", {.bytesPerCluster = 0}, 32, 17, MouseCapture::Take,
         L"(32, 17)   Blocks=201-201   Clusters=?"},
        {"blocks smaller than clusters", {.bytesPerCluster = 4096, .bytesPerBlock = 512}, 32, 17,
         MouseCapture::Take, L"(32, 17)   Blocks=201-201   Clusters=25-25"},
        {"blocks beyond 2^31 and clusters beyond 2^32", {.blocks = kMaxBlocks}, 16, 261, MouseCapture::Take,
         L"(16, 261)   Blocks=3884040000-3884816807   Clusters=62144640000-62157068927"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto view = PaintedView(c.volume);
        const HoverReadout readout = ReadHover(*view, c.volume.width, c.volume.height, c.x, c.y);
        EXPECT_EQ(readout.capture, c.capture);
        ASSERT_TRUE(readout.statusText.has_value());
        EXPECT_EQ(*readout.statusText, c.text);
    }
}

TEST(ReadHover, NothingChangesBeforeAPaintOrWithoutBlocks)
{
    TrackViewState neverPainted;
    neverPainted.session.geometry = {5529, 65536, 4096, 0, 0};
    const auto noVolume = PaintedView({});
    noVolume->session.geometry = {};  // the volume went away after the paint
    const auto tinyPane = PaintedView({});
    const struct {
        const char* name;
        const TrackViewState& view;
        int width, height;
    } cases[] = {
        {"no paint has laid out a grid", neverPainted, 500, 300},
        {"no blocks", *noVolume, 500, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HoverReadout readout = ReadHover(c.view, c.width, c.height, 32, 17);
        EXPECT_EQ(readout.capture, MouseCapture::Keep);
        EXPECT_FALSE(readout.statusText.has_value());
    }

    // A pane that shrank below its margins has no map area left, whatever
    // the last paint recorded.
    const HoverReadout shrunk = ReadHover(*tinyPane, 10, 10, 6, 6);
    EXPECT_EQ(shrunk.capture, MouseCapture::Release);
    EXPECT_EQ(shrunk.statusText, kReady);
}

TEST(LookupCellAt, TheClickedCellAndTheVolumesGeometry)
{
    const struct {
        const char* name;
        Volume volume;
        int x, y;
        std::optional<ClusterLookupCell> cell;
    } cases[] = {
        {"row 2, column 5", {}, 32, 17, ClusterLookupCell{201, 1, 5529, 65536, 4096}},
        {"packed cell", {.blocks = 20000}, 32, 17, ClusterLookupCell{804, 4, 20000, 65536, 4096}},
        {"packed last cell", {.blocks = 20001}, 16, 261, ClusterLookupCell{20000, 4, 20001, 65536, 4096}},
        {"cluster size unknown", {.bytesPerCluster = 0}, 32, 17, ClusterLookupCell{201, 1, 5529, 65536, 0}},
        {"margin", {}, 2, 17, std::nullopt},
        {"partial column", {.width = 503}, 496, 17, std::nullopt},
        {"first cell past N", {.blocks = 5000}, 16, 261, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto view = PaintedView(c.volume);
        const auto cell = LookupCellAt(*view, c.volume.width, c.volume.height, c.x, c.y);
        ASSERT_EQ(cell.has_value(), c.cell.has_value());
        if (!cell)
            continue;
        EXPECT_EQ(cell->firstBlock, c.cell->firstBlock);
        EXPECT_EQ(cell->blocksPerCell, c.cell->blocksPerCell);
        EXPECT_EQ(cell->blockCount, c.cell->blockCount);
        EXPECT_EQ(cell->bytesPerBlock, c.cell->bytesPerBlock);
        EXPECT_EQ(cell->bytesPerCluster, c.cell->bytesPerCluster);
    }
}

// The last cell of a packed map reaches past N; only its blocks before N
// are asked about.
TEST(LookupCellAt, TheLastPackedCellAsksOnlyForBlocksBeforeN)
{
    const auto view = PaintedView({.blocks = 20001});
    const auto cell = LookupCellAt(*view, 500, 300, 16, 261);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(ClustersOfCell(*cell), (std::vector<std::uint64_t>{320000}));
}

} // namespace
} // namespace trackkit
