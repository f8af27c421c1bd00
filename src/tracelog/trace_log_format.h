#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trackkit {

// The tracking driver's binary trace log: a 20-byte header, then 94-byte
// records up to the header's EndOffset. All integers little-endian; several
// fields lie at unaligned offsets, so everything is read byte-wise.
inline constexpr std::uint32_t kTraceLogMagic = 0x0157544A;  // bytes 4A 54 57 01
inline constexpr std::size_t kTraceLogHeaderBytes = 20;
inline constexpr std::size_t kTraceLogEndOffsetAt = 12;
inline constexpr std::size_t kTraceRecordBytes = 94;
inline constexpr std::size_t kTraceFunctionNameBytes = 64;
inline constexpr std::size_t kTraceFunctionNameAt = 30;  // the name's offset in a record

// Windows' ERROR_FILE_INVALID: an empty file, or one that is not a trace log.
inline constexpr std::uint32_t kErrorFileInvalid = 1392;

// One record as the driver wrote it.
struct TraceRecord {
    std::uint64_t timestamp = 0;  // FILETIME, shown as stored (no time-zone conversion)
    std::uint32_t threadId = 0;
    std::uint32_t flags = 0;      // CBT flag word of the volume
    std::uint32_t deviceNumber = 0;
    char16_t driveLetter = 0;     // 0 when the volume has none
    std::int32_t lineNumber = 0;
    std::uint32_t status = 0;     // NTSTATUS
    char functionName[kTraceFunctionNameBytes] = {};  // not necessarily zero-ended
};

// What the trace log dialog keeps of a listed record; a list row's item
// parameter is the entry's index in the dialog's store.
struct TraceEntry {
    std::uint64_t timestamp = 0;
    std::int32_t lineNumber = 0;
    std::uint32_t status = 0;
    std::uint32_t flags = 0;
    std::uint32_t threadId = 0;
    std::uint32_t deviceNumber = 0;
};

// The records of a file snapshot: where they lie, or why there are none to
// read. error is 0 or kErrorFileInvalid; a valid log with no records has
// error 0 and count 0. The walk never reaches past the bytes given.
struct TraceRecordArea {
    std::uint32_t error = 0;
    std::span<const std::uint8_t> records;  // count * kTraceRecordBytes bytes
    std::size_t count = 0;
};

// Checks the header and finds the records that start below EndOffset and
// were read whole: nothing past the bytes given is ever walked.
TraceRecordArea LocateTraceRecords(std::span<const std::uint8_t> file);

// Record `index` of the area (index < area.count).
TraceRecord ReadTraceRecord(const TraceRecordArea& area, std::size_t index);

TraceEntry EntryOf(const TraceRecord& record);

// The entry of record `index` alone, without its texts: what ordering and
// filtering read, millions of times in a load.
TraceEntry ReadTraceEntry(const TraceRecordArea& area, std::size_t index);

} // namespace trackkit
