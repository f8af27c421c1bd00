#include "tracelog/trace_log_format.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

constexpr std::size_t kMagicBytes = 4;

// Field offsets inside one record. LineNumber, Status and FunctionName are
// not aligned to their width, which ByteReader does not mind.
constexpr std::size_t kTimestampAt = 0;
constexpr std::size_t kThreadIdAt = 8;
constexpr std::size_t kFlagsAt = 12;
constexpr std::size_t kDeviceNumberAt = 16;
constexpr std::size_t kDriveLetterAt = 20;
constexpr std::size_t kLineNumberAt = 22;
constexpr std::size_t kStatusAt = 26;
constexpr std::size_t kFunctionNameAt = kTraceFunctionNameAt;
static_assert(kFunctionNameAt + kTraceFunctionNameBytes == kTraceRecordBytes);

// One field of a record the caller knows lies inside the buffer. Millions are
// read per load, so on a little-endian host (every Windows one) the bytes
// are copied as they are; elsewhere they are put together one by one.
template <typename Value>
Value LittleEndianAt(const std::uint8_t* bytes)
{
    Value value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, bytes, sizeof value);
    } else {
        for (std::size_t i = 0; i < sizeof value; ++i)
            value = static_cast<Value>(value | static_cast<Value>(bytes[i]) << (8 * i));
    }
    return value;
}

TraceRecordArea Invalid()
{
    TraceRecordArea area;
    area.error = kErrorFileInvalid;
    return area;
}

} // namespace

TraceRecordArea LocateTraceRecords(std::span<const std::uint8_t> file)
{
    ByteReader header(file);
    if (file.size() < kMagicBytes || header.U32At(0) != kTraceLogMagic)
        return Invalid();
    // A file that breaks off inside its header has no EndOffset to trust.
    if (file.size() < kTraceLogHeaderBytes)
        return Invalid();

    const std::size_t endOffset = header.U32At(kTraceLogEndOffsetAt);
    TraceRecordArea area;
    if (endOffset <= kTraceLogHeaderBytes)
        return area;
    // Every record that starts below EndOffset is listed, but only when all
    // of its bytes were read: the driver may still be appending, and
    // EndOffset can name bytes that the read did not return.
    const std::size_t startsBelowEnd = (endOffset - kTraceLogHeaderBytes + kTraceRecordBytes - 1) / kTraceRecordBytes;
    const std::size_t wholeRecordsRead = (file.size() - kTraceLogHeaderBytes) / kTraceRecordBytes;
    area.count = std::min(startsBelowEnd, wholeRecordsRead);
    area.records = file.subspan(kTraceLogHeaderBytes, area.count * kTraceRecordBytes);
    return area;
}

TraceRecord ReadTraceRecord(const TraceRecordArea& area, std::size_t index)
{
    TraceRecord record;
    if (index >= area.count || area.records.size() / kTraceRecordBytes <= index)
        return record;
    ByteReader bytes(area.records.subspan(index * kTraceRecordBytes, kTraceRecordBytes));
    record.timestamp = bytes.U64At(kTimestampAt);
    record.threadId = bytes.U32At(kThreadIdAt);
    record.flags = bytes.U32At(kFlagsAt);
    record.deviceNumber = bytes.U32At(kDeviceNumberAt);
    record.driveLetter = static_cast<char16_t>(bytes.U16At(kDriveLetterAt));
    record.lineNumber = static_cast<std::int32_t>(bytes.U32At(kLineNumberAt));
    record.status = bytes.U32At(kStatusAt);
    for (std::size_t i = 0; i < kTraceFunctionNameBytes; ++i)
        record.functionName[i] = static_cast<char>(bytes.U8At(kFunctionNameAt + i));
    return record;
}

TraceEntry ReadTraceEntry(const TraceRecordArea& area, std::size_t index)
{
    TraceEntry entry;
    if (index >= area.count)
        return entry;
    const std::uint8_t* record = area.records.data() + index * kTraceRecordBytes;
    entry.timestamp = LittleEndianAt<std::uint64_t>(record + kTimestampAt);
    entry.lineNumber = static_cast<std::int32_t>(LittleEndianAt<std::uint32_t>(record + kLineNumberAt));
    entry.status = LittleEndianAt<std::uint32_t>(record + kStatusAt);
    entry.flags = LittleEndianAt<std::uint32_t>(record + kFlagsAt);
    entry.threadId = LittleEndianAt<std::uint32_t>(record + kThreadIdAt);
    entry.deviceNumber = LittleEndianAt<std::uint32_t>(record + kDeviceNumberAt);
    return entry;
}

TraceEntry EntryOf(const TraceRecord& record)
{
    TraceEntry entry;
    entry.timestamp = record.timestamp;
    entry.lineNumber = record.lineNumber;
    entry.status = record.status;
    entry.flags = record.flags;
    entry.threadId = record.threadId;
    entry.deviceNumber = record.deviceNumber;
    return entry;
}

} // namespace trackkit
