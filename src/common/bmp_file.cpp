#include "common/bmp_file.h"

#include <fstream>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

constexpr std::size_t kFileHeaderLength = 14;
constexpr std::size_t kInfoHeaderLength = 40;
constexpr std::size_t kHeadersLength = kFileHeaderLength + kInfoHeaderLength;

} // namespace

std::vector<std::uint8_t> EncodeBmp(const std::uint32_t* pixels, int width, int height, int stride)
{
    if (width <= 0 || height <= 0 || stride < width || pixels == nullptr)
        return {};
    const std::size_t pixelBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    std::vector<std::uint8_t> file(kHeadersLength + pixelBytes);
    ByteWriter writer(file);
    writer.U8At(0, 'B');
    writer.U8At(1, 'M');
    writer.U32At(2, static_cast<std::uint32_t>(file.size()));
    writer.U32At(10, static_cast<std::uint32_t>(kHeadersLength));
    writer.U32At(14, static_cast<std::uint32_t>(kInfoHeaderLength));
    writer.U32At(18, static_cast<std::uint32_t>(width));
    writer.U32At(22, static_cast<std::uint32_t>(-height));  // negative height: top-down rows
    writer.U16At(26, 1);                                     // planes
    writer.U16At(28, 32);                                    // bits per pixel
    writer.U32At(34, static_cast<std::uint32_t>(pixelBytes));
    std::size_t offset = kHeadersLength;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        for (int x = 0; x < width; ++x, offset += 4)
            writer.U32At(offset, row[x]);  // little-endian 0x00RRGGBB is B, G, R, 0
    }
    return file;
}

bool WriteBmpFile(const std::string& path, const std::uint32_t* pixels, int width, int height, int stride)
{
    const auto image = EncodeBmp(pixels, width, height, stride);
    if (image.empty())
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return static_cast<bool>(out);
}

} // namespace trackkit
