// Writes the About box's picture (bitmap 102): a banner of a busy block map,
// painted by the program's own painter in the product line's colours, with
// a rule of the block colour under it and white below, where the dialog's
// text lies over the picture. 500 x 137 pixels, 24 bits per pixel.
//
//   make_about_picture OUTPUT.bmp
//
// The generated picture is kept in src/resources/about.bmp; a test checks
// that it is what this program writes.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "blockmap/painter.h"

namespace trackkit {
namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 137;
constexpr int kBannerHeight = 86;  // the dialog's text starts a few pixels below
constexpr int kRuleHeight = 2;
constexpr std::uint32_t kBlockSize = 5;
constexpr std::uint32_t kBlocksPerCell = 4;  // so the cells show every level

// Dark, so that neither the white of the dialog nor the light grey of the
// tiles' frames occurs in the banner.
constexpr ColorRef kBackgroundColor = MakeColorRef(22, 27, 36);
constexpr ColorRef kFaceColor = MakeColorRef(48, 56, 68);
constexpr ColorRef kBlockColor = MakeColorRef(0, 120, 215);  // the program's default block colour
constexpr Pixel kWhite = 0x00FFFFFF;

// A fixed scramble of the block number: the same picture on every machine.
std::uint32_t Scramble(std::uint32_t value)
{
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    value ^= value >> 16;
    return value;
}

// The chance, out of 256, that a block was written, by its place on the
// volume in thousandths: file-system metadata at the start, a hot database
// region, a log written straight through, a large copy, and scattered writes
// everywhere.
std::uint32_t WriteChance(std::uint32_t permille)
{
    std::uint32_t chance = 10;
    if (permille < 40)
        chance = 150;
    const std::uint32_t fromHot = permille > 300 ? permille - 300 : 300 - permille;
    if (fromHot < 70)
        chance = std::max<std::uint32_t>(chance, 250 - fromHot * 250 / 70);
    if (permille >= 620 && permille < 700)
        chance = 256;
    if (permille >= 800 && permille < 860)
        chance = 170;
    return chance;
}

std::vector<std::uint8_t> SessionBitmap(std::uint32_t blockCount)
{
    std::vector<std::uint8_t> bits((blockCount + 7) / 8);
    for (std::uint32_t block = 0; block < blockCount; ++block) {
        const auto permille = static_cast<std::uint32_t>(std::uint64_t{block} * 1000 / blockCount);
        if ((Scramble(block) & 0xFF) < WriteChance(permille))
            bits[block / 8] = static_cast<std::uint8_t>(bits[block / 8] | 1u << (block % 8));
    }
    return bits;
}

std::vector<Pixel> DrawPicture()
{
    std::vector<Pixel> pixels(static_cast<std::size_t>(kWidth) * kHeight, kWhite);

    // As many blocks as fill the unzoomed grid, kBlocksPerCell to a cell.
    LayoutRequest grid{kWidth, kBannerHeight, kBlockSize, 96, 96, 0xFFFFFFFFu, 1};
    const BlockMapLayout unzoomed = ComputeLayout(grid);
    const auto blockCount =
        static_cast<std::uint32_t>(kBlocksPerCell * unzoomed.lastColumn * unzoomed.lastRow);
    const std::vector<std::uint8_t> bitmap = SessionBitmap(blockCount);

    BlockMapPicture picture;
    picture.clientWidth = kWidth;
    picture.clientHeight = kBannerHeight;
    picture.blockSize = kBlockSize;
    picture.blockCount = blockCount;
    picture.bitmap = bitmap;
    picture.bitmapBitCount = blockCount;
    picture.cbtFirstBlock = blockCount * 47ull / 100;  // the tracking file's own blocks
    picture.cbtLastBlock = blockCount * 476ull / 1000;
    picture.faceColor = kFaceColor;
    picture.blockColor = kBlockColor;
    picture.backgroundColor = kBackgroundColor;
    PaintBlockMap(picture, {pixels.data(), kWidth, kBannerHeight, kWidth});

    const Pixel rule = PixelFromColorRef(kBlockColor);
    for (int y = kBannerHeight; y < kBannerHeight + kRuleHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = rule;
    return pixels;
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

// BITMAPFILEHEADER, BITMAPINFOHEADER, then the rows bottom-up as blue, green,
// red, each padded to a multiple of 4 bytes.
std::vector<std::uint8_t> EncodeBmp24(const std::vector<Pixel>& pixels)
{
    const std::uint32_t rowBytes = (kWidth * 3 + 3) / 4 * 4;
    const std::uint32_t imageBytes = rowBytes * kHeight;
    constexpr std::uint32_t kHeaders = 14 + 40;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, kHeaders + imageBytes);
    Put32(out, 0);  // reserved
    Put32(out, kHeaders);
    Put32(out, 40);
    Put32(out, kWidth);
    Put32(out, kHeight);  // positive: bottom-up
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, 0);   // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 2835);  // 72 dots per inch, as metres
    Put32(out, 2835);
    Put32(out, 0);  // no palette
    Put32(out, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < kWidth; ++x) {
            const Pixel p = pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
            out.push_back(static_cast<std::uint8_t>(p));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}

} // namespace
} // namespace trackkit

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> bmp = trackkit::EncodeBmp24(trackkit::DrawPicture());
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
