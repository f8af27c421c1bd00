#include "tracelog/trace_snapshot.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

// Pieces of 8 MiB: few enough calls for a log of gigabytes, small enough
// that progress and a cancel come several times a second even from a slow
// share.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;

TraceSnapshot Failed(std::uint32_t error)
{
    TraceSnapshot snapshot;
    snapshot.error = error;
    return snapshot;
}

// Reads until `into` is full, the file ends or a read fails; how far it got.
TraceByteSource::Read ReadFully(TraceByteSource& source, std::span<std::uint8_t> into)
{
    TraceByteSource::Read total;
    while (total.bytes < into.size()) {
        const TraceByteSource::Read read = source.ReadNext(into.subspan(total.bytes));
        total.bytes += std::min(read.bytes, into.size() - total.bytes);
        if (read.error != 0 || read.bytes == 0) {
            total.error = read.error;
            break;
        }
    }
    return total;
}

// How many bytes from the file's start hold the header and every record that
// starts below EndOffset.
std::uint64_t BytesUpToEnd(std::uint32_t endOffset)
{
    if (endOffset <= kTraceLogHeaderBytes)
        return kTraceLogHeaderBytes;
    const std::uint64_t records = (std::uint64_t{endOffset} - kTraceLogHeaderBytes + kTraceRecordBytes - 1) / kTraceRecordBytes;
    return kTraceLogHeaderBytes + records * kTraceRecordBytes;
}

} // namespace

std::optional<TraceSnapshot> ReadTraceSnapshot(TraceByteSource& source, const TraceProgress& progress)
{
    std::uint8_t header[kTraceLogHeaderBytes] = {};
    const TraceByteSource::Read headerRead = ReadFully(source, header);
    if (headerRead.error != 0)
        return Failed(headerRead.error);
    ByteReader fields(std::span<const std::uint8_t>(header, headerRead.bytes));
    if (headerRead.bytes < kTraceLogHeaderBytes || fields.U32At(0) != kTraceLogMagic)
        return Failed(kErrorFileInvalid);

    const std::uint64_t wanted = std::min(source.Size(), BytesUpToEnd(fields.U32At(kTraceLogEndOffsetAt)));
    TraceSnapshot snapshot;
    snapshot.bytes.reset(new (std::nothrow) std::uint8_t[std::max<std::uint64_t>(wanted, kTraceLogHeaderBytes)]);
    if (!snapshot.bytes) {
        snapshot.error = kErrorNotEnoughMemory;
        snapshot.tooLarge = true;
        return snapshot;
    }
    std::memcpy(snapshot.bytes.get(), header, kTraceLogHeaderBytes);
    snapshot.size = kTraceLogHeaderBytes;
    const std::size_t records = static_cast<std::size_t>((std::max<std::uint64_t>(wanted, kTraceLogHeaderBytes) - kTraceLogHeaderBytes) / kTraceRecordBytes);
    while (snapshot.size < wanted) {
        if (progress && !progress((snapshot.size - kTraceLogHeaderBytes) / kTraceRecordBytes, records))
            return std::nullopt;
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, wanted - snapshot.size));
        const TraceByteSource::Read read = ReadFully(source, {snapshot.bytes.get() + snapshot.size, piece});
        snapshot.size += read.bytes;
        if (read.error != 0) {
            snapshot.error = read.error;
            break;
        }
        if (read.bytes < piece)
            break;  // the file was cut short since it was opened: what is there is the snapshot
    }
    return snapshot;
}

} // namespace trackkit
