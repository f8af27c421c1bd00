#pragma once

#include <cstdint>
#include <span>

#include "changes/changed_files.h"
#include "filetable/file_table.h"

namespace trackkit {

// Which files own a session's changed blocks, from the volume's file table
// read in one pass: each stream's runs laid over the bitmap. A cluster's
// bytes inside a changed block count for the stream that owns it; a block
// counts for each stream that owns any of its clusters; the file system's
// own files are metadata, not listed, their bytes counted with free space,
// as the cluster lookup counts them. Every changed block is answered for.
// Progress is told in changed blocks, now and then; false stops it
// (Cancelled, with what was counted so far).
ChangedFilesReport AttributeFileTable(const FileTable& table, const ChangedFilesGeometry& geometry,
                                      std::span<const std::uint8_t> bitmap, const ChangedFilesProgress& progress);

} // namespace trackkit
