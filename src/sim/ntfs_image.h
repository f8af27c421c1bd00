#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/file_layout.h"

namespace trackkit {

// A simulated volume's bytes as NTFS lays them out, as far as the file
// table's reading needs them: the boot sector, and the $MFT's records in the
// clusters the layout gives the $MFT, one record per file of the layout
// with its name, its parent folder and the runs of its streams. Every other
// byte reads as zero. Built once from the layout; the volume reads from it.
//
// The file system's own files take their reserved records ($MFT 0, $MFTMirr
// 1, $LogFile 2, the root 5, $Bitmap 6, $Boot 7, $Secure 9, $Extend 11);
// folders and files follow from record 16 on, folders first. A layout whose
// files outgrow its $MFT's clusters keeps the records that fit.
class SimulatedNtfsImage {
public:
    SimulatedNtfsImage(const FileLayout& layout, std::uint32_t bytesPerCluster);

    // 0: into holds the bytes at offset; 38 (ERROR_HANDLE_EOF) past the
    // volume's end.
    std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

    std::size_t RecordCount() const { return records_.size() / kRecordBytes; }

    static constexpr std::uint32_t kRecordBytes = 1024;

private:
    std::uint32_t bytesPerCluster_ = 0;
    std::uint64_t volumeBytes_ = 0;
    std::vector<std::uint8_t> bootSector_;
    std::vector<std::uint8_t> records_;     // the $MFT's data, record after record
    std::vector<LayoutExtent> mftExtents_;  // where that data lies, in its order
};

} // namespace trackkit
