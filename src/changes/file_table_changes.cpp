#include "changes/file_table_changes.h"

#include <algorithm>
#include <limits>
#include <new>

namespace trackkit {
namespace {

constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kDataType = 0x80;
constexpr std::uint32_t kIndexAllocationType = 0xA0;
// Streams are told to progress every so many.
constexpr std::size_t kStreamsPerProgress = 4096;

bool IsChanged(std::span<const std::uint8_t> bitmap, std::uint64_t block)
{
    return (bitmap[static_cast<std::size_t>(block / 8)] >> (block % 8) & 1) != 0;
}

// The cluster lookup's flags for a stream: its attribute's kind, and
// whether it is one of the file system's own.
std::uint32_t LookupFlagsOf(const FileTable& table, const FileTableStream& stream)
{
    std::uint32_t flags = stream.attributeType == kDataType             ? kLookupAttributeData
                          : stream.attributeType == kIndexAllocationType ? kLookupAttributeIndex
                                                                          : kLookupAttributeSystem;
    if (table.IsFileSystemFile(stream.record))
        flags |= kLookupFlagFsSystemFile;
    return flags;
}

// Where the bitmap's blocks end: at N, at the bitmap's last bit, and at the
// volume's last cluster, whichever comes first.
struct Bounds {
    std::uint64_t blocks = 0;      // blocks below this may be changed
    std::uint64_t volumeEnd = 0;   // bytes past this belong to no cluster
};

Bounds BoundsOf(const FileTable& table, const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap)
{
    std::uint64_t volumeEnd = table.geometry.clusterCount * geometry.bytesPerCluster;
    if (geometry.volumeBytes != 0)
        volumeEnd = std::min(volumeEnd, geometry.volumeBytes / geometry.bytesPerCluster * geometry.bytesPerCluster);
    const std::uint64_t blocks = std::min<std::uint64_t>(geometry.blockCount, std::uint64_t{bitmap.size()} * 8);
    return {std::min(blocks, (volumeEnd + geometry.bytesPerBlock - 1) / geometry.bytesPerBlock), volumeEnd};
}

// Adds a run's bytes inside changed blocks to the stream's file.
void AddRun(const ClusterRun& run, const ChangedFilesGeometry& geometry, std::span<const std::uint8_t> bitmap,
            const Bounds& bounds, ChangedFile& file)
{
    const std::uint64_t start = run.firstCluster * geometry.bytesPerCluster;
    const std::uint64_t end = std::min((run.firstCluster + run.clusterCount) * geometry.bytesPerCluster, bounds.volumeEnd);
    const std::uint64_t lastBlock = std::min(bounds.blocks, (end + geometry.bytesPerBlock - 1) / geometry.bytesPerBlock);
    for (std::uint64_t block = start / geometry.bytesPerBlock; block < lastBlock; ++block) {
        if (!IsChanged(bitmap, block))
            continue;
        const std::uint64_t blockStart = block * geometry.bytesPerBlock;
        file.changedBytes += std::min(end, blockStart + geometry.bytesPerBlock) - std::max(start, blockStart);
        if (file.blocks.empty() || file.blocks.back() != block)
            file.blocks.push_back(static_cast<std::uint32_t>(block));
    }
}

bool Continue(const ChangedFilesProgress& progress, std::uint64_t done, std::uint64_t total)
{
    return !progress || progress(done, total);
}

} // namespace

ChangedFilesReport AttributeFileTable(const FileTable& table, const ChangedFilesGeometry& geometry,
                                      std::span<const std::uint8_t> bitmap, const ChangedFilesProgress& progress)
{
    ChangedFilesReport report;
    report.way = ChangedFilesWay::FileTable;
    report.end = CheckLookupInputs(geometry, bitmap);
    if (report.end != ChangedFilesEnd::Complete)
        return report;
    report.changedBlocks = CountChangedBlocks(bitmap, geometry.blockCount);
    const Bounds bounds = BoundsOf(table, geometry, bitmap);
    try {
        for (std::size_t i = 0; i < table.streams.size(); ++i) {
            if (i % kStreamsPerProgress == 0 && !Continue(progress, report.changedBlocks * i / table.streams.size(), report.changedBlocks)) {
                report.end = ChangedFilesEnd::Cancelled;
                break;
            }
            const FileTableStream& stream = table.streams[i];
            ChangedFile file;
            for (std::size_t run = stream.firstRun; run < stream.firstRun + stream.runCount && run < table.runs.size(); ++run)
                AddRun(table.runs[run], geometry, bitmap, bounds, file);
            if (file.blocks.empty())
                continue;
            file.flags = LookupFlagsOf(table, stream);
            if ((file.flags & kLookupFlagFsSystemFile) != 0)
                continue;
            report.fileBytes += file.changedBytes;
            std::sort(file.blocks.begin(), file.blocks.end());
            file.blocks.erase(std::unique(file.blocks.begin(), file.blocks.end()), file.blocks.end());
            file.path = table.StreamName(stream);
            report.files.push_back(std::move(file));
        }
    } catch (const std::bad_alloc&) {
        report.end = ChangedFilesEnd::Stopped;
        report.error = kErrorNotEnoughMemory;
    }
    if (report.end == ChangedFilesEnd::Complete) {
        report.blocksDone = report.changedBlocks;
        for (std::uint64_t block = 0; block < bounds.blocks; ++block)
            if (IsChanged(bitmap, block))
                report.answeredBytes += std::min(bounds.volumeEnd, (block + 1) * geometry.bytesPerBlock) - block * geometry.bytesPerBlock;
    }
    // Runs never overlap on a sound volume; the line above the table must not
    // claim more than the changed bytes even on one that is not.
    report.fileBytes = std::min(report.fileBytes, report.answeredBytes);
    std::sort(report.files.begin(), report.files.end(), [](const ChangedFile& a, const ChangedFile& b) {
        return a.changedBytes != b.changedBytes ? a.changedBytes > b.changedBytes : a.path < b.path;
    });
    report.recordsRead = table.records;
    report.recordsUnsound = table.recordsUnsound;
    report.recordsUnreadable = table.recordsUnreadable;
    return report;
}

} // namespace trackkit
