#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "tracelog/trace_index.h"

namespace trackkit {

// Where a log's bytes come from: an open file, read front to back.
class TraceByteSource {
public:
    virtual ~TraceByteSource() = default;
    // The file's size as it was when it was opened.
    virtual std::uint64_t Size() = 0;
    // Fills the front of `into` with the next bytes of the file: how many
    // were read (0 at the end of the file), or the Windows error of a read
    // that failed.
    struct Read {
        std::size_t bytes = 0;
        std::uint32_t error = 0;
    };
    virtual Read ReadNext(std::span<std::uint8_t> into) = 0;
};

// A log read into memory of the program's own: the file can be shortened,
// replaced or deleted meanwhile, and a page that cannot be read is a failed
// read, not a fault. Only the bytes that can hold records are read: the
// header, and whole records up to the header's EndOffset (and no more than
// the file has). The bytes are not touched once read.
struct TraceSnapshot {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;  // bytes read
    // 0; kErrorFileInvalid for an empty file or one that is not a trace log;
    // or the Windows error of a read that failed, after `size` bytes.
    std::uint32_t error = 0;
    // The error is the memory for the bytes running out.
    bool tooLarge = false;

    std::span<const std::uint8_t> Bytes() const { return {bytes.get(), size}; }
};

// Reads the log in large pieces, telling progress in records read of the
// records it is reading; nothing when progress asked to stop.
std::optional<TraceSnapshot> ReadTraceSnapshot(TraceByteSource& source, const TraceProgress& progress);

} // namespace trackkit
