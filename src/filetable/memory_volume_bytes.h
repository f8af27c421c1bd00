#pragma once

#include <cstdint>
#include <span>

#include "filetable/file_table.h"

namespace trackkit {

// A volume's bytes already in memory (an image read whole, a fuzzer's
// input), held by the caller. Reads follow the raw volume's rules: offsets
// and lengths in multiples of 512, nothing past the end.
class MemoryVolumeBytes final : public VolumeBytes {
public:
    explicit MemoryVolumeBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) override;

private:
    std::span<const std::uint8_t> bytes_;
};

} // namespace trackkit
