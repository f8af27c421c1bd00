#pragma once

#include <cstdint>
#include <span>

#include "changes/changed_files.h"
#include "filetable/file_table.h"
#include "tracking/tracking_driver.h"

namespace trackkit {

// Which way a run goes. The cluster lookup walks the volume's whole file
// table in the file system for every request (Microsoft says as much of
// FSCTL_LOOKUP_STREAM_FROM_CLUSTER), so it costs about one walk per 65,536
// changed clusters; the pass reads the file table once. The lookup is kept
// for runs that fit in one request, where it costs no more than the pass and
// reads nothing itself.
ChangedFilesWay ChooseWay(const ChangedFilesGeometry& geometry, std::uint64_t changedBlocks);

// Tells how far the file table's reading got, in records, before the changed
// blocks are attributed; false stops the run.
using FileTableReadProgress = std::function<bool(std::uint64_t recordsDone, std::uint64_t recordsTotal)>;

// Finds which files own the changed blocks the way ChooseWay says: the file
// table read from the volume's own bytes (TrackedVolume::ReadBytes), or the
// cluster lookup. Each is the other's fallback: the lookup when the file
// table cannot be read (not NTFS, access refused, an unreadable $MFT), the
// file table when the file system refuses the lookup. The report says which
// way it went and why.
ChangedFilesReport FindChangedFilesEitherWay(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                             std::span<const std::uint8_t> bitmap,
                                             const FileTableReadProgress& readProgress,
                                             const ChangedFilesProgress& progress,
                                             const ChangedFilesLimits& limits = {});

// The run as the window and the console program make it: the above, with
// memory running out kept as a stop, a request that the user's cancel
// aborted counted as that cancel, and the time it took.
ChangedFilesReport RunChangedFiles(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                   std::span<const std::uint8_t> bitmap, const FileTableReadProgress& readProgress,
                                   const ChangedFilesProgress& progress, const std::function<bool()>& cancelled);

} // namespace trackkit
