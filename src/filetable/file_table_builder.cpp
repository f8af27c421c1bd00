#include "filetable/file_table_builder.h"

#include <algorithm>
#include <tuple>

#include "filetable/utf16_name.h"

namespace trackkit::ntfs {

void FileTableBuilder::ExpectRecords(std::uint64_t records)
{
    constexpr std::uint64_t kMostRecordsKeptRoomFor = 1u << 20;
    table_.files.reserve(std::min(records, kMostRecordsKeptRoomFor));
    unsound_.reserve(std::min(records, kMostRecordsKeptRoomFor));
}

void FileTableBuilder::MakeRoomFor(std::uint64_t end)
{
    table_.files.resize(end);
    unsound_.resize(end);
}

FileTableBuilder::Outcome FileTableBuilder::AddRecord(std::uint64_t record, std::span<std::uint8_t> bytes)
{
    switch (ApplyUpdateSequence(bytes)) {
    case UpdateSequence::Torn:
        return Outcome::Torn;
    case UpdateSequence::NeverWritten:
        return Outcome::Taken;
    case UpdateSequence::Unsound:
        MarkUnsound(record);
        return Outcome::Taken;
    case UpdateSequence::Applied:
        break;
    }
    const std::optional<FileRecordHeader> header = ReadFileRecordHeader(bytes);
    if (!header) {
        MarkUnsound(record);
        return Outcome::Taken;
    }
    if (!header->inUse)
        return Outcome::Taken;
    ++table_.recordsInUse;
    if (header->IsExtension())
        AddExtensionRecord(record, *header, bytes);
    else
        AddBaseRecord(record, *header, bytes);
    return Outcome::Taken;
}

// A file with hard links has one $FILE_NAME for each; its one name is the
// first that is not a DOS short name, in the order of the record's
// attributes. A DOS name is taken only when there is no other.
void FileTableBuilder::Consider(ChosenName& chosen, const FileNameValue& candidate)
{
    if (chosen.name.empty() || (IsDosOnly(chosen.nameSpace) && !IsDosOnly(candidate.nameSpace)))
        chosen = {candidate.name, candidate.parent, candidate.nameSpace};
}

// false when the attribute is a $FILE_NAME that lies.
bool FileTableBuilder::ConsiderFileName(const AttributeView& attribute, ChosenName& chosen)
{
    if (attribute.type != kFileName || attribute.nonresident)
        return true;
    const std::optional<FileNameValue> fileName = ReadFileName(attribute.value);
    if (fileName)
        Consider(chosen, *fileName);
    return fileName.has_value();
}

// A resident list's value is kept at once; a nonresident one is read when
// every record is in, from its runs (none when they lie).
void FileTableBuilder::KeepAttributeList(const AttributeView& list, ListedFile& listed) const
{
    if (!list.nonresident) {
        listed.listValue.assign(list.value.begin(), list.value.end());
        return;
    }
    listed.listSize = list.dataSize;
    RunListReader reader(list.mappingPairs, 0, table_.geometry.clusterCount);
    while (const std::optional<Run> run = reader.Next())
        listed.listRuns.push_back(*run);
    if (!reader.Sound() || list.lowestVcn != 0)
        listed.listRuns.clear();
}

void FileTableBuilder::AddBaseRecord(std::uint64_t record, const FileRecordHeader& header,
                                     std::span<const std::uint8_t> bytes)
{
    const std::size_t firstStream = table_.streams.size();
    const std::size_t firstRun = table_.runs.size();
    pieceVcns_.clear();
    ChosenName chosen;
    ListedFile listed;
    bool hasList = false;
    bool namesLie = false;
    bool runsLie = false;
    AttributeWalk walk(bytes, header);
    while (const std::optional<AttributeView> attribute = walk.Next()) {
        namesLie = !ConsiderFileName(*attribute, chosen) || namesLie;
        if (attribute->type == kAttributeList && !hasList) {
            hasList = true;
            KeepAttributeList(*attribute, listed);
        }
        if (attribute->nonresident && !AppendStream(record, *attribute))
            runsLie = true;
    }
    if (!walk.Sound() || namesLie) {
        table_.streams.resize(firstStream);
        table_.runs.resize(firstRun);
        MarkUnsound(record);
        return;
    }
    if (runsLie)
        MarkUnsound(record);
    FileTableFile& file = table_.files[record];
    file.inUse = true;
    file.directory = header.directory;
    file.parent = chosen.parent;
    file.nameOffset = table_.names.size();
    AppendWideFromUtf16(chosen.name, table_.names);
    file.nameLength = static_cast<std::uint16_t>(std::min<std::size_t>(table_.names.size() - file.nameOffset, 0xFFFF));
    if (hasList) {
        listed.record = record;
        listed.pieces = TakeStreamsSince(firstStream);
        listedFiles_.push_back(std::move(listed));
    }
}

void FileTableBuilder::AddExtensionRecord(std::uint64_t record, const FileRecordHeader& header,
                                          std::span<const std::uint8_t> bytes)
{
    Extension extension;
    extension.base = header.BaseRecord();
    ChosenName chosen;
    bool namesLie = false;
    bool runsLie = false;
    AttributeWalk walk(bytes, header);
    while (const std::optional<AttributeView> attribute = walk.Next()) {
        namesLie = !ConsiderFileName(*attribute, chosen) || namesLie;
        if (!attribute->nonresident)
            continue;
        Piece piece{attribute->type, WideFromUtf16(attribute->name), attribute->lowestVcn, {}};
        if (AppendRuns(*attribute, piece.runs))
            extension.pieces.push_back(std::move(piece));
        else
            runsLie = true;
    }
    if (!walk.Sound() || namesLie) {
        MarkUnsound(record);
        return;
    }
    if (runsLie)
        MarkUnsound(record);
    extension.name = WideFromUtf16(chosen.name);
    extension.parent = chosen.parent;
    extensions_[record] = std::move(extension);
}

bool FileTableBuilder::AppendRuns(const AttributeView& attribute, std::vector<ClusterRun>& runs) const
{
    const std::size_t first = runs.size();
    RunListReader reader(attribute.mappingPairs, attribute.lowestVcn, table_.geometry.clusterCount);
    while (const std::optional<Run> run = reader.Next()) {
        if (!run->sparse)
            runs.push_back({run->firstCluster, run->clusterCount});
    }
    if (reader.Sound())
        return true;
    runs.resize(first);
    return false;
}

bool FileTableBuilder::AppendStream(std::uint64_t record, const AttributeView& attribute)
{
    FileTableStream stream;
    stream.record = record;
    stream.attributeType = attribute.type;
    stream.firstRun = table_.runs.size();
    if (!AppendRuns(attribute, table_.runs))
        return false;
    stream.runCount = table_.runs.size() - stream.firstRun;
    stream.attributeName = WideFromUtf16(attribute.name);
    table_.streams.push_back(std::move(stream));
    pieceVcns_.push_back(attribute.lowestVcn);
    return true;
}

// The streams a file with an attribute list put straight into the table
// come back out as pieces, to be joined with those of its other records.
std::vector<FileTableBuilder::Piece> FileTableBuilder::TakeStreamsSince(std::size_t firstStream)
{
    std::vector<Piece> pieces;
    for (std::size_t i = firstStream; i < table_.streams.size(); ++i) {
        FileTableStream& stream = table_.streams[i];
        const auto runs = std::span(table_.runs).subspan(stream.firstRun, stream.runCount);
        pieces.push_back({stream.attributeType, std::move(stream.attributeName), pieceVcns_[i - firstStream],
                          std::vector<ClusterRun>(runs.begin(), runs.end())});
    }
    if (firstStream < table_.streams.size())
        table_.runs.resize(table_.streams[firstStream].firstRun);
    table_.streams.resize(firstStream);
    return pieces;
}

void FileTableBuilder::MarkUnsound(std::uint64_t record)
{
    if (record < unsound_.size() && !unsound_[record]) {
        unsound_[record] = true;
        ++table_.recordsUnsound;
    }
}

void FileTableBuilder::Finish(const ValueReader& readValue)
{
    for (ListedFile& file : listedFiles_)
        JoinListedFile(file, readValue);
    listedFiles_.clear();
    extensions_.clear();
}

// Only the records the base record's list names, and whose own header names
// the base record back, give pieces; each record once, however often the
// list names it. Extension records' own lists are never followed, so no
// chain of lists can loop.
void FileTableBuilder::JoinListedFile(ListedFile& file, const ValueReader& readValue)
{
    std::vector<std::uint8_t> value =
        file.listRuns.empty() ? std::move(file.listValue) : readValue(file.listRuns, file.listSize);
    std::vector<AttributeListEntry> entries;
    if (value.empty() || !ReadAttributeList(value, entries))
        MarkUnsound(file.record);
    std::vector<std::uint64_t> named;
    for (const AttributeListEntry& entry : entries) {
        if (entry.record != file.record)
            named.push_back(entry.record);
    }
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    FileTableFile& base = table_.files[file.record];
    for (const std::uint64_t record : named) {
        const auto found = extensions_.find(record);
        if (found == extensions_.end() || found->second.base != file.record) {
            MarkUnsound(file.record);
            continue;
        }
        Extension& extension = found->second;
        std::move(extension.pieces.begin(), extension.pieces.end(), std::back_inserter(file.pieces));
        if (base.nameLength == 0 && !extension.name.empty()) {
            table_.SetName(base, extension.name);
            base.parent = extension.parent;
        }
    }
    SortPieces(file.pieces);
    if (!EveryLaterPieceFound(entries, file.pieces))
        MarkUnsound(file.record);
    EmitJoinedStreams(file.record, file.pieces);
}

void FileTableBuilder::SortPieces(std::vector<Piece>& pieces)
{
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
        return std::tie(a.type, a.name, a.lowestVcn) < std::tie(b.type, b.name, b.lowestVcn);
    });
}

// Each entry past VCN 0 names a piece of a nonresident attribute: a list
// that names a record which does not hold it (its own record, say) lies.
bool FileTableBuilder::EveryLaterPieceFound(std::span<const AttributeListEntry> entries, std::span<const Piece> pieces)
{
    for (const AttributeListEntry& entry : entries) {
        if (entry.lowestVcn == 0)
            continue;
        const std::wstring name = WideFromUtf16(entry.name);
        const auto found = std::lower_bound(pieces.begin(), pieces.end(), std::tie(entry.type, name, entry.lowestVcn),
                                            [](const Piece& piece, const auto& key) {
                                                return std::tie(piece.type, piece.name, piece.lowestVcn) < key;
                                            });
        if (found == pieces.end() ||
            std::tie(found->type, found->name, found->lowestVcn) != std::tie(entry.type, name, entry.lowestVcn))
            return false;
    }
    return true;
}

// One stream for each type and name, its pieces (sorted) in VCN order. Two
// pieces that claim the same first VCN are one too many: the first is kept.
void FileTableBuilder::EmitJoinedStreams(std::uint64_t record, std::span<const Piece> pieces)
{
    for (std::size_t i = 0; i < pieces.size();) {
        FileTableStream stream;
        stream.record = record;
        stream.attributeType = pieces[i].type;
        stream.attributeName = pieces[i].name;
        stream.firstRun = table_.runs.size();
        std::size_t next = i;
        for (; next < pieces.size() && pieces[next].type == stream.attributeType &&
               pieces[next].name == stream.attributeName;
             ++next) {
            if (next > i && pieces[next].lowestVcn == pieces[next - 1].lowestVcn) {
                MarkUnsound(record);
                continue;
            }
            table_.runs.insert(table_.runs.end(), pieces[next].runs.begin(), pieces[next].runs.end());
        }
        stream.runCount = table_.runs.size() - stream.firstRun;
        table_.streams.push_back(std::move(stream));
        i = next;
    }
}

} // namespace trackkit::ntfs
