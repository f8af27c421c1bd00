#include "filetable/file_table_layout.h"

#include <algorithm>

#include "filetable/attribute_bytes.h"
#include "filetable/attribute_list.h"
#include "filetable/file_record.h"

namespace trackkit::ntfs {
namespace {

// Attribute lists are small: even a file in thousands of pieces needs a few
// hundred KiB. Anything larger is not believed.
constexpr std::uint64_t kLargestAttributeList = 4 * 1024 * 1024;

struct MftRecordFacts {
    std::vector<Run> dataRuns;  // the unnamed $DATA piece found
    std::uint64_t dataSize = 0;
    bool hasDataPiece = false;
    std::vector<std::uint8_t> listValue;
    std::vector<AttributeListEntry> listEntries;
    std::uint32_t error = 0;
};

bool DecodeRuns(const AttributeView& attribute, const NtfsGeometry& geometry, std::vector<Run>& runs)
{
    RunListReader reader(attribute.mappingPairs, attribute.lowestVcn, geometry.clusterCount);
    while (const std::optional<Run> run = reader.Next())
        runs.push_back(*run);
    return reader.Sound() && RunsAddressable(runs, geometry);
}

// An attribute list's value, resident or not; sets error when it cannot be had.
std::vector<std::uint8_t> ListValue(VolumeBytes& volume, const NtfsGeometry& geometry, const AttributeView& list,
                                    std::uint32_t& error)
{
    if (!list.nonresident)
        return {list.value.begin(), list.value.end()};
    std::vector<Run> runs;
    if (list.lowestVcn != 0 || !DecodeRuns(list, geometry, runs)) {
        error = kErrorFileCorrupt;
        return {};
    }
    std::uint32_t readError = 0;
    std::vector<std::uint8_t> value = ReadNonresidentValue(volume, geometry, runs, list.dataSize, readError);
    if (readError)
        error = readError;
    return value;
}

// The unnamed $DATA piece at lowestVcn, and (in record 0) the attribute list.
MftRecordFacts ReadMftRecordFacts(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const std::uint8_t> record,
                                  std::uint64_t lowestVcn, bool wantList)
{
    MftRecordFacts facts;
    const std::optional<FileRecordHeader> header = ReadFileRecordHeader(record);
    if (!header || !header->inUse || header->BaseRecord() != kMftRecord) {
        facts.error = kErrorFileCorrupt;
        return facts;
    }
    AttributeWalk walk(record, *header);
    while (const std::optional<AttributeView> attribute = walk.Next()) {
        if (attribute->type == kData && attribute->name.empty() && attribute->nonresident &&
            attribute->lowestVcn == lowestVcn && !facts.hasDataPiece) {
            facts.hasDataPiece = true;
            facts.dataSize = attribute->dataSize;
            if (!DecodeRuns(*attribute, geometry, facts.dataRuns))
                facts.error = kErrorFileCorrupt;
        }
        if (attribute->type == kAttributeList && wantList && facts.listValue.empty())
            facts.listValue = ListValue(volume, geometry, *attribute, facts.error);
    }
    if (!walk.Sound() || !facts.hasDataPiece)
        facts.error = kErrorFileCorrupt;
    if (!facts.listValue.empty() && !ReadAttributeList(facts.listValue, facts.listEntries))
        facts.error = kErrorFileCorrupt;
    return facts;
}

template <typename Read>
std::uint32_t ReadAndFixRecord(std::uint64_t offset, std::span<std::uint8_t> into, const Read& read)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (const std::uint32_t error = read(offset, into))
            return error;
        const UpdateSequence sequence = ApplyUpdateSequence(into);
        if (sequence == UpdateSequence::Applied)
            return 0;
        if (sequence != UpdateSequence::Torn)
            return kErrorFileCorrupt;
    }
    return kErrorFileCorrupt;
}

// The later pieces of $MFT's $DATA, in VCN order, each from the extension
// record the list names; every piece must start where the runs known so far
// end.
std::uint32_t AddListedDataPieces(VolumeBytes& volume, const NtfsGeometry& geometry,
                                  std::span<const AttributeListEntry> entries, FileTableLayout& layout)
{
    std::vector<AttributeListEntry> pieces;
    for (const AttributeListEntry& entry : entries) {
        if (entry.type == kData && entry.name.empty() && entry.record != kMftRecord)
            pieces.push_back(entry);
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const AttributeListEntry& a, const AttributeListEntry& b) { return a.lowestVcn < b.lowestVcn; });
    std::vector<std::uint8_t> record(geometry.bytesPerRecord);
    for (const AttributeListEntry& piece : pieces) {
        if (piece.lowestVcn != EndVcn(layout.runs))
            return kErrorFileCorrupt;
        if (const std::uint32_t error = ReadOneRecord(volume, geometry, layout.runs, piece.record, record))
            return error;
        MftRecordFacts facts = ReadMftRecordFacts(volume, geometry, record, piece.lowestVcn, false);
        if (facts.error)
            return facts.error;
        layout.runs.insert(layout.runs.end(), facts.dataRuns.begin(), facts.dataRuns.end());
    }
    return 0;
}

} // namespace

bool RunsAddressable(std::span<const Run> runs, const NtfsGeometry& geometry)
{
    return EndVcn(runs) <= UINT64_MAX / geometry.bytesPerCluster;
}

std::uint32_t ReadOneRecord(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                            std::uint64_t record, std::span<std::uint8_t> into)
{
    const auto read = [&](std::uint64_t, std::span<std::uint8_t> bytes) {
        return ReadRecordBytes(volume, geometry, runs, record, bytes);
    };
    return ReadAndFixRecord(record * geometry.bytesPerRecord, into, read);
}

std::uint32_t ReadRecordBytes(VolumeBytes& volume, const NtfsGeometry& geometry, std::span<const Run> runs,
                              std::uint64_t record, std::span<std::uint8_t> into)
{
    if (record > UINT64_MAX / geometry.bytesPerRecord ||
        record * geometry.bytesPerRecord >= EndVcn(runs) * geometry.bytesPerCluster)
        return kErrorFileCorrupt;
    return ReadAttributeBytes(volume, geometry, runs, record * geometry.bytesPerRecord,
                              into.first(geometry.bytesPerRecord));
}

std::vector<std::uint8_t> ReadNonresidentValue(VolumeBytes& volume, const NtfsGeometry& geometry,
                                               std::span<const Run> runs, std::uint64_t dataSize,
                                               std::uint32_t& error)
{
    error = 0;
    if (dataSize > kLargestAttributeList || !RunsAddressable(runs, geometry) ||
        dataSize > EndVcn(runs) * geometry.bytesPerCluster) {
        error = kErrorFileCorrupt;
        return {};
    }
    const std::uint64_t sector = geometry.bytesPerSector;
    std::vector<std::uint8_t> value((dataSize + sector - 1) / sector * sector);
    error = ReadAttributeBytes(volume, geometry, runs, 0, value);
    if (error)
        return {};
    value.resize(dataSize);
    return value;
}

FileTableLayout FindFileTable(VolumeBytes& volume, const NtfsGeometry& geometry)
{
    FileTableLayout layout;
    std::vector<std::uint8_t> record(geometry.bytesPerRecord);
    const auto readVolume = [&](std::uint64_t offset, std::span<std::uint8_t> bytes) {
        return volume.ReadAt(offset, bytes);
    };
    layout.error = ReadAndFixRecord(geometry.mftCluster * geometry.bytesPerCluster, record, readVolume);
    if (layout.error)
        return layout;
    MftRecordFacts facts = ReadMftRecordFacts(volume, geometry, record, 0, true);
    layout.error = facts.error;
    if (layout.error)
        return layout;
    layout.runs = std::move(facts.dataRuns);
    layout.error = AddListedDataPieces(volume, geometry, facts.listEntries, layout);
    if (layout.error)
        return layout;
    // The file system never leaves a hole in its own table.
    if (std::any_of(layout.runs.begin(), layout.runs.end(), [](const Run& run) { return run.sparse; }))
        layout.error = kErrorFileCorrupt;
    if (layout.error)
        return layout;
    const std::uint64_t mappedBytes = EndVcn(layout.runs) * geometry.bytesPerCluster;
    layout.records = std::min(facts.dataSize, mappedBytes) / geometry.bytesPerRecord;
    if (layout.records == 0)
        layout.error = kErrorFileCorrupt;
    return layout;
}

} // namespace trackkit::ntfs
