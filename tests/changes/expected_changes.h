#pragma once

// What ntfscluster's owners of an NTFS image's clusters say each stream's changed bytes and blocks are, for a
// session bitmap: the reference that the file table's pass is held against, natively and under Wine.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "changes/changed_files.h"
#include "filetable/ntfs_test_image.h"

namespace trackkit {

struct ExpectedStream {
    std::uint64_t bytes = 0;
    std::vector<std::uint32_t> blocks;
    bool operator==(const ExpectedStream&) const = default;
};

struct ExpectedChanges {
    std::map<std::wstring, ExpectedStream> streams;  // by the name the table gives the stream
    std::uint64_t answeredBytes = 0;                 // the changed blocks' bytes inside the volume
    std::uint64_t fileBytes = 0;                     // of those, the files' (not the file system's own)
};

// Every cluster of every changed block, by its owner as ntfscluster named it; the names and which files are the
// file system's own come from the table.
ExpectedChanges ExpectedChangesOf(const NtfsTestImage& image, const FileTable& table, const ChangedFilesGeometry& geometry,
                                  std::span<const std::uint8_t> bitmap);

} // namespace trackkit
