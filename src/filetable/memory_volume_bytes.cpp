#include "filetable/memory_volume_bytes.h"

#include <cstring>

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorSectorNotFound = 27;
constexpr std::uint64_t kSector = 512;

} // namespace

std::uint32_t MemoryVolumeBytes::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into)
{
    if (offset % kSector != 0 || into.size() % kSector != 0)
        return kErrorInvalidParameter;
    if (offset > bytes_.size() || into.size() > bytes_.size() - offset)
        return kErrorSectorNotFound;
    if (!into.empty())
        std::memcpy(into.data(), bytes_.data() + offset, into.size());
    return 0;
}

} // namespace trackkit
