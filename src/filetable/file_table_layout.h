#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "filetable/file_table.h"
#include "filetable/run_list.h"

namespace trackkit::ntfs {

constexpr std::uint32_t kErrorFileCorrupt = 1392;

// Where the file table's records lie: $MFT's own $DATA, learned from its
// record 0 (and from its extension records, when $MFT is so fragmented that
// it has an attribute list).
struct FileTableLayout {
    std::vector<Run> runs;      // from VCN 0 on, end to end, no holes
    std::uint64_t records = 0;  // its data size in whole records, within the runs
    std::uint32_t error = 0;    // not 0: the volume's error, or kErrorFileCorrupt
};

FileTableLayout FindFileTable(VolumeBytes& volume, const NtfsGeometry& geometry);

// Reads one record through the table's runs and applies its update
// sequence, reading it once more when a stride does not match (a live
// volume may be writing it). 0, the volume's error, or kErrorFileCorrupt
// when it is torn twice or is no record.
std::uint32_t ReadOneRecord(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                            std::uint64_t record, std::span<std::uint8_t> into);

// Reads one record's bytes through the table's runs, as they are.
std::uint32_t ReadRecordBytes(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                              std::uint64_t record, std::span<std::uint8_t> into);

// The value of a nonresident attribute of dataSize bytes (rounded up to
// whole sectors); nothing when the volume fails or the runs do not hold it.
std::vector<std::uint8_t> ReadNonresidentValue(VolumeBytes& volume, const NtfsGeometry& geometry,
                                               std::span<const Run> runs, std::uint64_t dataSize,
                                               std::uint32_t& error);

// Whether the runs' byte offsets fit in 64 bits.
bool RunsAddressable(std::span<const Run> runs, const NtfsGeometry& geometry);

} // namespace trackkit::ntfs
