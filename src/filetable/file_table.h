#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trackkit {

// An NTFS volume's file table ($MFT) read in one pass from the volume's own
// bytes: every file record in use, its nonresident attributes and the
// clusters they own. What decides which files own changed clusters when
// many of them changed, instead of asking the file system cluster by
// cluster.

// Where a volume's bytes come from: the volume opened whole ("\\.\C:"), or
// an image of one.
class VolumeBytes {
public:
    virtual ~VolumeBytes() = default;
    // Reads into.size() bytes at offset; both are multiples of 512, as raw
    // reads of a volume must be. 0, or the Windows error of a read that
    // failed (a read past the end fails too). Called from two threads at
    // once: the pass reads its next piece while it decodes one.
    virtual std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) = 0;
};

// What the boot sector says of the volume's layout.
struct NtfsGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t bytesPerCluster = 0;
    std::uint32_t bytesPerRecord = 0;  // one file record segment, usually 1024
    std::uint64_t clusterCount = 0;    // the volume's clusters
    std::uint64_t mftCluster = 0;      // where $MFT's first record lies
};

// The geometry from the volume's first 512 bytes; nothing when they are not
// an NTFS boot sector or a field is out of range.
std::optional<NtfsGeometry> ReadNtfsBootSector(std::span<const std::uint8_t> sector);

// A run of the volume's clusters that a stream owns.
struct ClusterRun {
    std::uint64_t firstCluster = 0;
    std::uint64_t clusterCount = 0;
};

// One nonresident attribute of a file, wherever its pieces lie (an
// attribute list can spread it over several records): a stream as the file
// system's cluster lookup names it.
struct FileTableStream {
    std::uint64_t record = 0;         // the file's base record
    std::uint32_t attributeType = 0;  // 0x80 $DATA, 0xA0 $INDEX_ALLOCATION, 0xB0 $BITMAP, ...
    std::wstring attributeName;       // empty for a file's unnamed $DATA; "$I30" for a directory's index
    std::size_t firstRun = 0;         // its allocated runs in FileTable::runs, in the order of its bytes;
    std::size_t runCount = 0;         // sparse holes own no clusters and are not among them
};

// One file: a base record in use. Its name lies in FileTable::names: one
// pool for all, so that a table of millions of files is not millions of
// allocations.
struct FileTableFile {
    std::uint64_t parent = 0;      // the record of the directory it is named in
    std::uint64_t nameOffset = 0;  // its Win32 (or POSIX) name; its DOS name only when it has no other
    std::uint16_t nameLength = 0;  // 0: no name
    bool directory = false;
    bool inUse = false;            // false: no file has this record
};

struct FileTable {
    NtfsGeometry geometry;
    std::vector<FileTableFile> files;  // indexed by record number
    std::wstring names;                // the files' names, one after another
    std::vector<FileTableStream> streams;
    std::vector<ClusterRun> runs;
    std::uint64_t records = 0;            // the file table's records, read
    std::uint64_t recordsInUse = 0;       // whose header says so, base and extension records alike
    std::uint64_t recordsUnsound = 0;     // a header or an attribute that lies: left out; a run list that
                                          // lies: that stream left out; an attribute list that lies
    std::uint64_t recordsUnreadable = 0;  // failed their update sequence when read again too

    // As the cluster lookup names it, from the root: "\Data\sales.mdf::$DATA",
    // "\Data\logs:$I30:$INDEX_ALLOCATION", "\a.txt:notes:$DATA"; one path per
    // file, however many hard links it has. The root's path is "\"; a parent
    // chain that loops or breaks starts at the record where it broke:
    // "\?812\logs\today.txt".
    std::wstring StreamName(const FileTableStream& stream) const;
    std::wstring_view NameOf(const FileTableFile& file) const
    {
        return std::wstring_view(names).substr(file.nameOffset, file.nameLength);
    }
    // Gives the file the name (at most 65,535 units are kept).
    void SetName(FileTableFile& file, std::wstring_view name);
    // The file system's own files: the reserved records below 16 and every
    // file under \$Extend.
    bool IsFileSystemFile(std::uint64_t record) const;
};

enum class FileTableEnd : std::uint8_t {
    Read,        // the table is read (some records may be unsound or unreadable: they are counted)
    NotNtfs,     // the boot sector is not NTFS's
    Unreadable,  // the volume or the file table's own record could not be read: error says why
    Stopped,     // progress asked to stop
};

struct FileTableResult {
    FileTableEnd end = FileTableEnd::Read;
    std::uint32_t error = 0;  // Unreadable: the Windows error, or ERROR_FILE_CORRUPT (1392) for an unsound $MFT record
    FileTable table;          // Read: what was read
};

// Told how many records are read of how many; false stops the pass.
using FileTableProgress = std::function<bool(std::uint64_t recordsDone, std::uint64_t recordsTotal)>;

// Reads the boot sector, then the whole file table in large pieces, then
// decodes every record; nothing in the bytes is trusted.
FileTableResult ReadFileTable(VolumeBytes& volume, const FileTableProgress& progress = {});

} // namespace trackkit
