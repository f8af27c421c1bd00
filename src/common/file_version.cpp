#include "common/file_version.h"

#include "common/byte_reader.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedFileInfoLength = 13 * 4;
constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kFileVersionHighOffset = 8;  // dwFileVersionMS: major, minor
constexpr std::size_t kFileVersionLowOffset = 12;  // dwFileVersionLS: build, revision

std::uint16_t HighWord(std::uint32_t value) { return static_cast<std::uint16_t>(value >> 16); }
std::uint16_t LowWord(std::uint32_t value) { return static_cast<std::uint16_t>(value & 0xFFFFu); }

} // namespace

std::optional<FileVersion> DecodeFixedFileInfo(std::span<const std::uint8_t> block)
{
    if (block.size() < kFixedFileInfoLength)
        return std::nullopt;
    ByteReader reader(block);
    if (reader.U32At(kSignatureOffset) != kFixedFileInfoSignature)
        return std::nullopt;
    const std::uint32_t high = reader.U32At(kFileVersionHighOffset);
    const std::uint32_t low = reader.U32At(kFileVersionLowOffset);
    return FileVersion{HighWord(high), LowWord(high), HighWord(low), LowWord(low)};
}

std::wstring AppendPath(std::wstring_view folder, std::wstring_view relative)
{
    while (!relative.empty() && relative.front() == L'\\')
        relative.remove_prefix(1);
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\' && !relative.empty())
        path += L'\\';
    path += relative;
    return path;
}

} // namespace trackkit
