#include "blockmap/painter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace trackkit {
namespace {

// The part of the target that a paint writes: `width` pixels of each of
// `height` rows, never more than the buffer holds.
struct Canvas {
    Pixel* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;

    Pixel* Row(int y) const { return pixels + static_cast<std::size_t>(y) * stride; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * sizeof(Pixel); }
};

std::optional<Canvas> CanvasOf(const PixelBuffer& target)
{
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0 || target.stride < target.width)
        return std::nullopt;
    return Canvas{target.pixels, target.width, target.height, static_cast<std::size_t>(target.stride)};
}

// Rows [firstRow, endRow) become copies of a row that is already painted:
// whole-row copies are the fastest way to write pixels.
void CopyRows(const Canvas& canvas, int firstRow, int endRow, const Pixel* source)
{
    for (int y = firstRow; y < endRow; ++y)
        std::memcpy(canvas.Row(y), source, canvas.RowBytes());
}

// Fills row 0, which is always margin, and returns it as the blank row that
// every other background row is copied from.
const Pixel* FillFirstRow(const Canvas& canvas, Pixel background)
{
    std::fill_n(canvas.Row(0), canvas.width, background);
    return canvas.Row(0);
}

std::uint64_t Popcount(std::uint64_t word)
{
    return static_cast<std::uint64_t>(std::popcount(word));
}

// The bits below `count` of a word; count < 64.
std::uint64_t LowBits(std::uint64_t count)
{
    return (std::uint64_t{1} << count) - 1;
}

std::uint64_t LoadLittleEndian(const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, bytes, count);
    } else {
        for (std::size_t i = count; i-- > 0;)
            word = word << 8 | bytes[i];
    }
    return word;
}

// The session bitmap as far as a paint may look at it: bits below `readable`,
// which is no more than N, the bit count or what the buffer holds. Blocks past
// it count as unchanged.
class BlockBits {
public:
    BlockBits(std::span<const std::uint8_t> bytes, std::uint64_t readable) : bytes_(bytes), readable_(readable) {}

    std::uint64_t Readable() const { return readable_; }

    bool Test(std::uint64_t block) const
    {
        return block < readable_ && (unsigned{bytes_[static_cast<std::size_t>(block / 8)]} >> (block % 8) & 1u) != 0;
    }

    // Bits 64 * index to 64 * index + 63, block i at bit i mod 64. Bytes past
    // the end of the buffer read as zero and are never touched.
    std::uint64_t Word(std::uint64_t index) const
    {
        const auto offset = static_cast<std::size_t>(index * 8);
        if (offset + 8 <= bytes_.size())
            return LoadLittleEndian(bytes_.data() + offset, 8);
        return offset < bytes_.size() ? LoadLittleEndian(bytes_.data() + offset, bytes_.size() - offset) : 0;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t readable_;
};

// Counts the set bits of packed cells. The counts equal those of masking the
// first and last byte of each cell and adding up the bytes between, but go a
// 64-bit word at a time.
//
// Cells go in runs: the words under a run are counted once, in order, into
// running totals; a cell's count is then the total at its end minus the total
// at its start, where the total at a block is that of the words before its
// word plus the bits of its word below it. Neither loop branches on the bits
// or on where a cell ends, which matters with hundreds of thousands of cells
// of a few words each. Cells too large for a run are counted one at a time;
// their word loops are long enough that how they end costs nothing.
class PackedCounter {
public:
    PackedCounter(const BlockBits& bits, std::uint64_t blocksPerCell)
        : bits_(bits), blocksPerCell_(blocksPerCell), cellsPerRun_(kRunBlocks / blocksPerCell)
    {
        if (UsesRuns())
            totals_.resize(kRunBlocks / 64 + 2);
    }

    // Calls use(i, set count) for the cells firstCell + i, i = 0 to cells - 1.
    template <typename Use>
    void CountCells(std::uint64_t firstCell, std::uint64_t cells, const Use& use)
    {
        if (!UsesRuns()) {
            for (std::uint64_t i = 0; i < cells; ++i)
                use(i, CountLargeCell(firstCell + i));
            return;
        }
        for (std::uint64_t done = 0; done < cells; done += cellsPerRun_) {
            const std::uint64_t run = std::min(cellsPerRun_, cells - done);
            CountRun(firstCell + done, run, [&](std::uint64_t i, std::uint64_t count) { use(done + i, count); });
        }
    }

private:
    static constexpr std::uint64_t kRunBlocks = 4096 * 64;  // 32 KiB of totals
    static constexpr std::uint64_t kFewestCellsPerRun = 16;

    bool UsesRuns() const { return cellsPerRun_ >= kFewestCellsPerRun; }

    template <typename Use>
    void CountRun(std::uint64_t firstCell, std::uint64_t cells, const Use& use)
    {
        const std::uint64_t readable = bits_.Readable();
        const std::uint64_t runFirst = std::min(firstCell * blocksPerCell_, readable);
        const std::uint64_t runEnd = std::min(runFirst + cells * blocksPerCell_, readable);
        CountWords(runFirst / 64, runEnd / 64);
        std::uint64_t start = runFirst;
        std::uint64_t atStart = TotalAt(start);
        for (std::uint64_t i = 0; i < cells; ++i) {
            const std::uint64_t end = std::min(start + blocksPerCell_, runEnd);  // cells past the bits count 0
            const std::uint64_t atEnd = TotalAt(end);
            use(i, atEnd - atStart);
            start = end;
            atStart = atEnd;
        }
    }

    // The set bits before each of the words firstWord to lastWord.
    void CountWords(std::uint64_t firstWord, std::uint64_t lastWord)
    {
        firstWord_ = firstWord;
        std::uint64_t total = 0;
        for (std::size_t i = 0; i <= lastWord - firstWord; ++i) {
            totals_[i] = total;
            total += Popcount(bits_.Word(firstWord + i));
        }
    }

    // Set bits of the run before `block`.
    std::uint64_t TotalAt(std::uint64_t block) const
    {
        const auto i = static_cast<std::size_t>(block / 64 - firstWord_);
        return totals_[i] + Popcount(bits_.Word(block / 64) & LowBits(block % 64));
    }

    std::uint64_t CountLargeCell(std::uint64_t cell) const
    {
        const std::uint64_t first = cell * blocksPerCell_;
        const std::uint64_t end = std::min(first + blocksPerCell_, bits_.Readable());
        if (first >= end)
            return 0;
        std::uint64_t count = Popcount(bits_.Word(end / 64) & LowBits(end % 64));
        count -= Popcount(bits_.Word(first / 64) & LowBits(first % 64));
        for (std::uint64_t word = first / 64; word < end / 64; ++word)
            count += Popcount(bits_.Word(word));
        return count;
    }

    BlockBits bits_;
    std::uint64_t blocksPerCell_;
    std::uint64_t cellsPerRun_;
    std::uint64_t firstWord_ = 0;
    std::vector<std::uint64_t> totals_;
};

// Everything that decides a cell's colour.
struct CellColours {
    LevelPixels levels;
    Pixel background;
    Pixel cbt;
    Pixel outline;
    std::uint64_t cbtFirstCell = 1;  // first > last: no $CBT cells
    std::uint64_t cbtLastCell = 0;
    std::uint64_t blocksPerCell = 1;
    std::span<const std::uint32_t> outlinedBlocks{};  // ascending, all below N
};

// The outlined blocks below N: the list is sorted, so those past it are a
// tail that is cut off once rather than tested at every cell.
std::span<const std::uint32_t> OutlinedBlocksBelow(std::span<const std::uint32_t> blocks, std::uint32_t blockCount)
{
    return blocks.first(static_cast<std::size_t>(std::lower_bound(blocks.begin(), blocks.end(), blockCount) - blocks.begin()));
}

CellColours CellColoursOf(const BlockMapPicture& picture, std::uint32_t blocksPerCell)
{
    CellColours colours{BuildLevelPixels(picture.faceColor, picture.blockColor), PixelFromColorRef(picture.backgroundColor),
                        PixelFromColorRef(kCbtColor), PixelFromColorRef(kOutlineColor)};
    if (picture.cbtFirstBlock <= picture.cbtLastBlock) {
        colours.cbtFirstCell = picture.cbtFirstBlock / blocksPerCell;
        colours.cbtLastCell = picture.cbtLastBlock / blocksPerCell;
    }
    colours.blocksPerCell = blocksPerCell;
    colours.outlinedBlocks = OutlinedBlocksBelow(picture.outlinedBlocks, picture.blockCount);
    return colours;
}

// Paints the $CBT colour over those of `out`, the cells from firstCell on. The
// overlay has the same rectangle as a cell, so it replaces the cell's colour;
// cells past the last block are never painted, which keeps LCNs beyond the
// volume off the map.
void OverlayCbt(const CellColours& colours, std::uint64_t firstCell, std::span<Pixel> out)
{
    const std::uint64_t from = std::max(colours.cbtFirstCell, firstCell);
    const std::uint64_t to = std::min(colours.cbtLastCell, firstCell + out.size() - 1);
    if (out.empty() || from > to)
        return;
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(from - firstCell), out.begin() + static_cast<std::ptrdiff_t>(to - firstCell + 1),
              colours.cbt);
}

// Paints the outline colour over the cells that hold outlined blocks, like
// the $CBT overlay. The rows come in increasing cell order, so one cursor
// walks the sorted blocks once for the whole paint: blocks before a row's
// first cell lie in columns off the buffer and are passed over.
class OutlineOverlay {
public:
    explicit OutlineOverlay(const CellColours& colours)
        : next_(colours.outlinedBlocks.begin()), end_(colours.outlinedBlocks.end()), blocksPerCell_(colours.blocksPerCell),
          colour_(colours.outline)
    {
    }

    void Paint(std::uint64_t firstCell, std::span<Pixel> out)
    {
        const std::uint64_t endBlock = (firstCell + out.size()) * blocksPerCell_;
        for (; next_ != end_ && *next_ < endBlock; ++next_) {
            const std::uint64_t cell = *next_ / blocksPerCell_;
            if (cell >= firstCell)
                out[static_cast<std::size_t>(cell - firstCell)] = colour_;
        }
    }

private:
    std::span<const std::uint32_t>::iterator next_;
    std::span<const std::uint32_t>::iterator end_;
    std::uint64_t blocksPerCell_;
    Pixel colour_;
};

// One pixel row of a cell row, written once from left to right: the left
// margin, each cell followed by its 1-pixel gap, then the rest of the row.
// `colours` holds the visible cells of the row; grid positions after them are
// background.
void WriteCellRow(Pixel* row, int width, const BlockMapLayout& layout, std::span<const Pixel> colours, Pixel background)
{
    const int left = std::min(layout.areaLeft, width);
    std::fill_n(row, left, background);
    // The cells that fit whole, gap included, then at most one cut off by the
    // right edge of the buffer.
    const int pitch = layout.pitchX;
    const int count = static_cast<int>(colours.size());
    const int whole = std::min(count, (width - left) / pitch);
    Pixel* out = row + left;
    for (int column = 0; column < whole; ++column) {
        out = std::fill_n(out, pitch - 1, colours[static_cast<std::size_t>(column)]);
        *out++ = background;
    }
    int x = left + whole * pitch;
    if (whole < count) {
        const int run = std::min(pitch - 1, width - x);
        std::fill_n(out, run, colours[static_cast<std::size_t>(whole)]);
        x += run;
    }
    std::fill(row + x, row + width, background);
}

// How many columns of the grid start inside a row of `width` pixels.
int VisibleColumns(const BlockMapLayout& layout, int width)
{
    const std::int64_t room = std::int64_t{width} - layout.areaLeft;
    if (room <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(layout.Columns(), (room + layout.pitchX - 1) / layout.pitchX));
}

// Paints every pixel of the canvas. For each cell row, the colours of its
// visible cells are worked out first, then written as one pixel row, which is
// copied down for the rest of the cell's height and followed by a gap row.
// colourCells(first cell, span) fills the span with the colours of that many
// cells; it is called for cells in increasing order.
template <typename ColourCells>
void PaintGrid(const Canvas& canvas, const BlockMapLayout& layout, std::uint64_t cellCount, const CellColours& colours,
               const ColourCells& colourCells)
{
    const Pixel* const blankRow = FillFirstRow(canvas, colours.background);
    int y = std::min(layout.areaTop, canvas.height);
    CopyRows(canvas, 1, y, blankRow);
    const auto columns = static_cast<std::uint64_t>(layout.Columns());
    std::vector<Pixel> rowColours(static_cast<std::size_t>(VisibleColumns(layout, canvas.width)));
    OutlineOverlay outline(colours);
    for (std::uint64_t cell = 0; cell < cellCount && y < canvas.height; cell += columns) {
        const std::span<Pixel> visible(rowColours.data(), std::min<std::uint64_t>(rowColours.size(), cellCount - cell));
        colourCells(cell, visible);
        OverlayCbt(colours, cell, visible);
        outline.Paint(cell, visible);
        Pixel* const firstRow = canvas.Row(y);
        WriteCellRow(firstRow, canvas.width, layout, visible, colours.background);
        const int cellHeight = std::min(layout.pitchY - 1, canvas.height - y);
        CopyRows(canvas, y + 1, y + cellHeight, firstRow);
        y += cellHeight;
        if (y < canvas.height)
            CopyRows(canvas, y, y + 1, blankRow);  // the gap below the cells
        ++y;
    }
    CopyRows(canvas, y, canvas.height, blankRow);
}

void PaintOnePerCell(const Canvas& canvas, const BlockMapLayout& layout, std::uint64_t cellCount, const BlockBits& bits,
                     const CellColours& colours)
{
    PaintGrid(canvas, layout, cellCount, colours, [&](std::uint64_t first, std::span<Pixel> out) {
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = colours.levels[bits.Test(first + i) ? kLevelCount - 1 : 0];
    });
}

void PaintPacked(const Canvas& canvas, const BlockMapLayout& layout, std::uint64_t cellCount, const BlockBits& bits,
                 const CellColours& colours)
{
    const LevelCutoffs cutoffs(layout.blocksPerCell);
    PackedCounter counter(bits, layout.blocksPerCell);
    PaintGrid(canvas, layout, cellCount, colours, [&](std::uint64_t first, std::span<Pixel> out) {
        counter.CountCells(first, out.size(), [&](std::uint64_t i, std::uint64_t count) {
            out[i] = colours.levels[static_cast<std::size_t>(cutoffs.LevelOf(count))];
        });
    });
}

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
// The baseline x86 target counts bits in software; CPUs since 2008 do it in
// one instruction. The packed paint counts every word of the bitmap, so it is
// built a second time with that instruction, everything inlined, and chosen
// when the CPU has it.
[[gnu::target("popcnt"), gnu::flatten]] void PaintPackedWithPopcnt(const Canvas& canvas, const BlockMapLayout& layout,
                                                                   std::uint64_t cellCount, const BlockBits& bits,
                                                                   const CellColours& colours)
{
    PaintPacked(canvas, layout, cellCount, bits, colours);
}

void PaintPackedFastest(const Canvas& canvas, const BlockMapLayout& layout, std::uint64_t cellCount, const BlockBits& bits,
                        const CellColours& colours)
{
    static const bool hasPopcnt = __builtin_cpu_supports("popcnt");
    if (hasPopcnt)
        PaintPackedWithPopcnt(canvas, layout, cellCount, bits, colours);
    else
        PaintPacked(canvas, layout, cellCount, bits, colours);
}
#else
// Elsewhere std::popcount chooses the instruction itself (MSVC checks the CPU
// at run time), or the target always has one.
void PaintPackedFastest(const Canvas& canvas, const BlockMapLayout& layout, std::uint64_t cellCount, const BlockBits& bits,
                        const CellColours& colours)
{
    PaintPacked(canvas, layout, cellCount, bits, colours);
}
#endif

LayoutRequest LayoutRequestOf(const BlockMapPicture& picture)
{
    LayoutRequest request;
    request.clientWidth = picture.clientWidth;
    request.clientHeight = picture.clientHeight;
    request.blockSize = picture.blockSize;
    request.dpiX = picture.dpiX;
    request.dpiY = picture.dpiY;
    request.blockCount = picture.blockCount;
    request.bitmapBitCount = picture.bitmap.empty() ? 0 : picture.bitmapBitCount;
    return request;
}

} // namespace

// Grid positions after the cell that holds block N - 1 stay background in
// both modes, so the end of the volume shows as the end of the cells. In
// packed mode the last cell may hold fewer than b blocks; its level is still
// taken over b, as for every other cell.
BlockMapLayout PaintBlockMap(const BlockMapPicture& picture, const PixelBuffer& target)
{
    const BlockMapLayout layout = ComputeLayout(LayoutRequestOf(picture));
    const std::optional<Canvas> canvas = CanvasOf(target);
    if (!canvas)
        return layout;
    const std::uint64_t cellCount = CellsHoldingBlocks(layout, picture.blockCount);
    if (cellCount == 0) {
        CopyRows(*canvas, 1, canvas->height, FillFirstRow(*canvas, PixelFromColorRef(picture.backgroundColor)));
        return layout;
    }

    const std::uint64_t blocks = std::max<std::uint32_t>(picture.blockCount, 1);
    const std::uint64_t readable = std::min({blocks, std::uint64_t{picture.bitmapBitCount}, std::uint64_t{picture.bitmap.size()} * 8});
    const BlockBits bits(picture.bitmap, readable);
    const CellColours colours = CellColoursOf(picture, layout.blocksPerCell);
    if (layout.blocksPerCell == 1)
        PaintOnePerCell(*canvas, layout, cellCount, bits, colours);
    else
        PaintPackedFastest(*canvas, layout, cellCount, bits, colours);
    return layout;
}

} // namespace trackkit
