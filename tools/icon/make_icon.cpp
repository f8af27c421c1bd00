// Writes TrackKit's program icon: a little block map, a grid of cells shaded
// from the window face to the block colour with one cell of the $CBT file,
// drawn by hand at 16, 32 and 48 pixels so each size stays crisp.
//
//   make_icon OUTPUT.ico
//
// The generated icon is kept in src/resources/trackkit.ico; a test checks
// that it is what this program writes.

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Rgba {
    std::uint8_t r, g, b, a;
};

constexpr Rgba kTransparent{0, 0, 0, 0};
constexpr Rgba kOutline{52, 58, 66, 255};
constexpr Rgba kFace{240, 240, 240, 255};     // the window face: no block changed
constexpr Rgba kBlock{0, 120, 215, 255};      // the highlight colour: every block changed
constexpr Rgba kCbtFile{200, 0, 20, 255};     // the tracking file's own cells

// One drawn size: cells per side, the pitch of a cell (cell plus its gap),
// and the shade of each cell: '0' to '4' quarters of the block colour, 'C'
// the tracking file.
struct IconSize {
    int pixels;
    int cells;
    int pitch;
    std::vector<std::string_view> shades;
};

const std::array<IconSize, 3> kSizes{{
    {16, 5, 3, {"44321", "43100", "2100C", "00012", "01244"}},
    {32, 6, 5, {"443210", "432100", "210010", "0001C0", "001012", "012244"}},
    {48, 9, 5,
     {"444321000", "443210000", "332100100", "210001000", "1000C0000", "000010012", "001000124", "000101244",
      "000012444"}},
}};

std::uint8_t Mix(std::uint8_t from, std::uint8_t to, int quarters)
{
    return static_cast<std::uint8_t>((from * (4 - quarters) + to * quarters + 2) / 4);
}

Rgba ShadeColor(char shade)
{
    if (shade == 'C')
        return kCbtFile;
    const int quarters = shade - '0';
    return {Mix(kFace.r, kBlock.r, quarters), Mix(kFace.g, kBlock.g, quarters), Mix(kFace.b, kBlock.b, quarters), 255};
}

// Top-down rows of pixels.
std::vector<Rgba> Draw(const IconSize& size)
{
    std::vector<Rgba> pixels(static_cast<std::size_t>(size.pixels * size.pixels), kTransparent);
    const int frame = size.cells * size.pitch - 1 + 2;  // the grid and its one-pixel outline
    const int origin = (size.pixels - frame) / 2;
    auto at = [&](int x, int y) -> Rgba& { return pixels[static_cast<std::size_t>(y * size.pixels + x)]; };

    for (int y = origin; y < origin + frame; ++y)
        for (int x = origin; x < origin + frame; ++x) {
            const bool edge = x == origin || y == origin || x == origin + frame - 1 || y == origin + frame - 1;
            at(x, y) = edge ? kOutline : kFace;
        }
    for (int row = 0; row < size.cells; ++row)
        for (int column = 0; column < size.cells; ++column) {
            const Rgba color = ShadeColor(size.shades[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
            for (int dy = 0; dy < size.pitch - 1; ++dy)
                for (int dx = 0; dx < size.pitch - 1; ++dx)
                    at(origin + 1 + column * size.pitch + dx, origin + 1 + row * size.pitch + dy) = color;
        }
    return pixels;
}

void Put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// One image of an icon file: a BITMAPINFOHEADER of twice the height, the
// 32-bit colour rows bottom-up, then the 1-bit transparency mask bottom-up,
// each mask row padded to 32 bits.
std::vector<std::uint8_t> IconImage(int pixels, const std::vector<Rgba>& rgba)
{
    const int maskRowBytes = (pixels + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(pixels));
    Put32(out, static_cast<std::uint32_t>(pixels * 2));
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, 0);   // BI_RGB
    Put32(out, static_cast<std::uint32_t>(pixels * pixels * 4 + maskRowBytes * pixels));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0);  // resolution and palette: unused
    for (int y = pixels - 1; y >= 0; --y)
        for (int x = 0; x < pixels; ++x) {
            const Rgba& p = rgba[static_cast<std::size_t>(y * pixels + x)];
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    for (int y = pixels - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(maskRowBytes), 0);
        for (int x = 0; x < pixels; ++x)
            if (rgba[static_cast<std::size_t>(y * pixels + x)].a == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// ICONDIR, one ICONDIRENTRY per image, then the images.
std::vector<std::uint8_t> IconFile()
{
    std::vector<std::vector<std::uint8_t>> images;
    for (const IconSize& size : kSizes)
        images.push_back(IconImage(size.pixels, Draw(size)));

    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, static_cast<int>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(kSizes[i].pixels));
        out.push_back(static_cast<std::uint8_t>(kSizes[i].pixels));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> icon = IconFile();
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
