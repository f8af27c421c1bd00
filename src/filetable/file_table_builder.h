#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "filetable/attribute_list.h"
#include "filetable/file_name.h"
#include "filetable/file_record.h"
#include "filetable/file_table.h"
#include "filetable/run_list.h"

namespace trackkit::ntfs {

// Builds a FileTable from the records, one at a time and in any order, then
// joins the files whose attributes an attribute list spreads over several
// records.
//
// Soundness: a record whose header or attribute records lie is left out
// whole. An attribute whose run list lies (a run past the volume, an
// overflow) loses its runs and its stream; the file keeps its name and its
// other streams. Either way the record counts once as unsound.
class FileTableBuilder {
public:
    enum class Outcome : std::uint8_t { Taken, Torn };

    explicit FileTableBuilder(FileTable& table) : table_(table) {}

    // How many records the table says it has: room is kept for them, up to
    // a bound that a table's lie cannot push further.
    void ExpectRecords(std::uint64_t records);
    // Room for the records below end, before they are added, end growing from
    // call to call: the table grows with what is read, never with what a
    // record claims.
    void MakeRoomFor(std::uint64_t end);

    // Applies the record's update sequence and takes what it holds. Torn:
    // nothing was taken, the caller may read it again.
    Outcome AddRecord(std::uint64_t record, std::span<std::uint8_t> bytes);
    void CountUnreadable() { ++table_.recordsUnreadable; }

    // Reads a nonresident attribute list's value; empty when it cannot.
    using ValueReader = std::function<std::vector<std::uint8_t>(std::span<const Run> runs, std::uint64_t dataSize)>;

    // Joins the pieces of files with attribute lists, once every record is in.
    void Finish(const ValueReader& readValue);

private:
    struct Piece {
        std::uint32_t type = 0;
        std::wstring name;
        std::uint64_t lowestVcn = 0;
        std::vector<ClusterRun> runs;
    };
    struct ChosenName {
        std::span<const std::uint8_t> name;
        std::uint64_t parent = 0;
        NameSpace nameSpace = NameSpace::Posix;
    };
    struct ListedFile {
        std::uint64_t record = 0;
        std::vector<Piece> pieces;
        std::vector<std::uint8_t> listValue;  // a resident list's value
        std::vector<Run> listRuns;            // a nonresident list's runs (none when they lie)
        std::uint64_t listSize = 0;
    };
    struct Extension {
        std::uint64_t base = 0;
        std::vector<Piece> pieces;
        std::wstring name;
        std::uint64_t parent = 0;
        bool claimed = false;
    };

    void AddBaseRecord(std::uint64_t record, const FileRecordHeader& header, std::span<const std::uint8_t> bytes);
    void AddExtensionRecord(std::uint64_t record, const FileRecordHeader& header, std::span<const std::uint8_t> bytes);
    bool AppendStream(std::uint64_t record, const AttributeView& attribute);
    bool AppendRuns(const AttributeView& attribute, std::vector<ClusterRun>& runs) const;
    std::vector<Piece> TakeStreamsSince(std::size_t firstStream);
    void JoinListedFile(ListedFile& file, const ValueReader& readValue);
    static void SortPieces(std::vector<Piece>& pieces);
    static bool EveryLaterPieceFound(std::span<const AttributeListEntry> entries, std::span<const Piece> pieces);
    void EmitJoinedStreams(std::uint64_t record, std::span<const Piece> pieces);
    void MarkUnsound(std::uint64_t record);
    static void Consider(ChosenName& chosen, const FileNameValue& candidate);
    static bool ConsiderFileName(const AttributeView& attribute, ChosenName& chosen);
    void KeepAttributeList(const AttributeView& list, ListedFile& listed) const;

    FileTable& table_;
    std::vector<bool> unsound_;
    std::vector<std::uint64_t> pieceVcns_;  // the first VCN of each stream the current base record put in the table
    std::vector<ListedFile> listedFiles_;
    std::unordered_map<std::uint64_t, Extension> extensions_;
};

} // namespace trackkit::ntfs
