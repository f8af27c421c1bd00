#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tracelog/trace_log_format.h"

namespace trackkit {

// How a sample log's record area ends.
enum class SampleLogEnd {
    Exact,             // EndOffset is the file's size
    PreallocatedTail,  // the driver grows its file ahead: zero bytes follow EndOffset
    StillAppending,    // EndOffset names one record more than was written, half of which is there
};

struct SampleTraceLogOptions {
    std::size_t records = 1000;
    std::uint64_t seed = 1;
    SampleLogEnd end = SampleLogEnd::PreallocatedTail;
};

// A tracking driver's trace log as it looks on a busy server: a few volumes
// and shadow copies, many threads, mostly successful events with some
// warnings and errors, volumes coming online and a shutdown at the end, and
// now and then a record whose time lies before its predecessor's (threads
// race to the log). The same options give the same bytes everywhere.
std::vector<std::uint8_t> WriteSampleTraceLog(const SampleTraceLogOptions& options);

// The bytes of one record, field by field, little-endian.
void EncodeTraceRecord(const TraceRecord& record, std::span<std::uint8_t, kTraceRecordBytes> out);

// A 20-byte header with the magic and EndOffset; the driver's own bytes are
// given plausible values.
void EncodeTraceLogHeader(std::uint32_t endOffset, std::span<std::uint8_t, kTraceLogHeaderBytes> out);

} // namespace trackkit
