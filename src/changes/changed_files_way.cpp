#include "changes/changed_files_way.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>

#include "changes/file_table_changes.h"

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorOperationAborted = 995;

// The tracked volume's raw bytes, as the file table reader reads them.
class TrackedVolumeBytes final : public VolumeBytes {
public:
    explicit TrackedVolumeBytes(TrackedVolume& volume) : volume_(volume) {}
    std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        return volume_.ReadBytes(offset, into);
    }

private:
    TrackedVolume& volume_;
};

// The pass: the file table read, then laid over the bitmap; nothing when
// the table cannot be read, with why in `failure`.
std::optional<ChangedFilesReport> ReadTheFileTable(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                                   std::span<const std::uint8_t> bitmap,
                                                   const FileTableReadProgress& readProgress,
                                                   const ChangedFilesProgress& progress, std::uint32_t& failure)
{
    TrackedVolumeBytes bytes(volume);
    const FileTableResult read = ReadFileTable(bytes, readProgress);
    switch (read.end) {
    case FileTableEnd::Read:
        return AttributeFileTable(read.table, geometry, bitmap, progress);
    case FileTableEnd::Stopped: {
        ChangedFilesReport report;
        report.way = ChangedFilesWay::FileTable;
        report.end = ChangedFilesEnd::Cancelled;
        report.changedBlocks = CountChangedBlocks(bitmap, geometry.blockCount);
        return report;
    }
    case FileTableEnd::NotNtfs:
        failure = kErrorFileTableNotNtfs;
        break;
    case FileTableEnd::Unreadable:
        failure = read.error;
        break;
    }
    return std::nullopt;
}

} // namespace

ChangedFilesWay ChooseWay(const ChangedFilesGeometry& geometry, std::uint64_t changedBlocks)
{
    if (geometry.bytesPerCluster == 0)
        return ChangedFilesWay::ClusterLookup;
    const std::uint64_t clustersPerBlock = std::max<std::uint64_t>(1, geometry.bytesPerBlock / geometry.bytesPerCluster);
    return changedBlocks * clustersPerBlock <= kClustersPerRequest ? ChangedFilesWay::ClusterLookup
                                                                    : ChangedFilesWay::FileTable;
}

ChangedFilesReport FindChangedFilesEitherWay(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                             std::span<const std::uint8_t> bitmap,
                                             const FileTableReadProgress& readProgress,
                                             const ChangedFilesProgress& progress, const ChangedFilesLimits& limits)
{
    if (CheckLookupInputs(geometry, bitmap) != ChangedFilesEnd::Complete)
        return FindChangedFiles(volume, geometry, bitmap, progress, limits);
    std::uint32_t fileTableFailure = 0;
    if (ChooseWay(geometry, CountChangedBlocks(bitmap, geometry.blockCount)) == ChangedFilesWay::FileTable) {
        if (std::optional<ChangedFilesReport> pass = ReadTheFileTable(volume, geometry, bitmap, readProgress, progress, fileTableFailure))
            return std::move(*pass);
    }
    ChangedFilesReport lookup = FindChangedFiles(volume, geometry, bitmap, progress, limits);
    if (lookup.end == ChangedFilesEnd::Refused && fileTableFailure == 0) {
        if (std::optional<ChangedFilesReport> pass = ReadTheFileTable(volume, geometry, bitmap, readProgress, progress, fileTableFailure)) {
            pass->lookupFailure = lookup.error;
            return std::move(*pass);
        }
    }
    lookup.fileTableFailure = fileTableFailure;
    return lookup;
}

ChangedFilesReport RunChangedFiles(TrackedVolume& volume, const ChangedFilesGeometry& geometry,
                                   std::span<const std::uint8_t> bitmap, const FileTableReadProgress& readProgress,
                                   const ChangedFilesProgress& progress, const std::function<bool()>& cancelled)
{
    const auto started = std::chrono::steady_clock::now();
    ChangedFilesReport report;
    try {
        report = FindChangedFilesEitherWay(volume, geometry, bitmap, readProgress, progress);
    } catch (const std::bad_alloc&) {
        report.end = ChangedFilesEnd::Stopped;
        report.error = kErrorNotEnoughMemory;
    }
    // A request cancelled in flight fails; that is the user's cancel too.
    if (cancelled() && report.error == kErrorOperationAborted)
        report.end = ChangedFilesEnd::Cancelled;
    report.elapsedMilliseconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    return report;
}

} // namespace trackkit
