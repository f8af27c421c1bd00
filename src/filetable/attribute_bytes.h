#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "filetable/file_table.h"
#include "filetable/run_list.h"

namespace trackkit::ntfs {

// Reads into.size() bytes of a nonresident attribute from byteOffset (both
// multiples of the sector size), one volume read for each run it touches.
// 0, the volume's error, or ERROR_FILE_CORRUPT (1392) for bytes in a hole or
// past the last run: the attributes read this way (the file table, attribute
// lists) are never sparse.
std::uint32_t ReadAttributeBytes(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                                 std::uint64_t byteOffset, std::span<std::uint8_t> into);

// The runs end to end in VCN order: the last run's end.
std::uint64_t EndVcn(std::span<const Run> runs);

} // namespace trackkit::ntfs
