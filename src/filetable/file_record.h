#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// One file record segment of the file table: its update sequence, its
// header and the walk over its attribute records. Nothing here trusts the
// bytes: every offset and length is checked against the record before use.

namespace trackkit::ntfs {

// Attribute type codes.
constexpr std::uint32_t kStandardInformation = 0x10;
constexpr std::uint32_t kAttributeList = 0x20;
constexpr std::uint32_t kFileName = 0x30;
constexpr std::uint32_t kData = 0x80;
constexpr std::uint32_t kIndexAllocation = 0xA0;
constexpr std::uint32_t kEndOfAttributes = 0xFFFFFFFF;

// Record numbers of the file system's own files.
constexpr std::uint64_t kMftRecord = 0;
constexpr std::uint64_t kRootRecord = 5;
constexpr std::uint64_t kExtendRecord = 11;
constexpr std::uint64_t kFirstUserRecord = 16;

// A file reference is a record number in its low 48 bits and the record's
// sequence number above them.
constexpr std::uint64_t RecordOf(std::uint64_t fileReference) { return fileReference & 0xFFFF'FFFF'FFFFull; }

enum class UpdateSequence : std::uint8_t {
    Applied,       // every stride ended in the sequence number and now holds its own bytes again
    NeverWritten,  // all zeros where the signature goes: a record the file system has not used yet
    Torn,          // a stride does not end in the sequence number: written while read, or torn
    Unsound,       // not a file record, or an update sequence array that lies
};

// Checks the record's multi-sector header and puts back the last two bytes
// of each 512-byte stride from the update sequence array.
UpdateSequence ApplyUpdateSequence(std::span<std::uint8_t> record);

struct FileRecordHeader {
    // 0 for a base record; else a reference to the record it extends. The
    // whole reference counts: $MFT's own extension records refer to record 0.
    std::uint64_t baseReference = 0;
    std::uint32_t bytesInUse = 0;
    std::uint16_t firstAttribute = 0;
    bool inUse = false;
    bool directory = false;

    bool IsExtension() const { return baseReference != 0; }
    std::uint64_t BaseRecord() const { return RecordOf(baseReference); }
};

// The header of a record whose update sequence was applied; nothing when
// its offsets do not fit the record.
std::optional<FileRecordHeader> ReadFileRecordHeader(std::span<const std::uint8_t> record);

// One attribute record, its fields checked to lie within it.
struct AttributeView {
    std::uint32_t type = 0;
    bool nonresident = false;
    std::span<const std::uint8_t> name;           // UTF-16LE, empty when unnamed; never a 0 unit
    std::span<const std::uint8_t> value;          // resident only
    std::uint64_t lowestVcn = 0;                  // nonresident only
    std::uint64_t dataSize = 0;                   // nonresident only, and only in the piece at VCN 0
    std::span<const std::uint8_t> mappingPairs;   // nonresident only: the run list, to the attribute's end
};

// Walks the attribute records of a record from its header's first
// attribute to the end marker. Next() gives nothing at the end and when an
// attribute lies; Sound() tells which.
class AttributeWalk {
public:
    AttributeWalk(std::span<const std::uint8_t> record, const FileRecordHeader& header);

    std::optional<AttributeView> Next();
    bool Sound() const { return sound_; }

private:
    std::optional<AttributeView> Fail();

    std::span<const std::uint8_t> inUse_;
    std::size_t offset_;
    bool sound_ = true;
    bool ended_ = false;
};

} // namespace trackkit::ntfs
