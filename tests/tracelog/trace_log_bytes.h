#pragma once

// Trace log files built byte by byte, as the tracking driver writes them,
// for the tests of the trace log dialog.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tracelog/trace_log_format.h"

namespace trackkit::testing {

inline void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline TraceRecord MakeRecord(std::uint64_t timestamp, std::uint32_t deviceNumber, std::uint32_t threadId,
                              std::uint32_t flags = 0, const char* function = "CbtWrite")
{
    TraceRecord record;
    record.timestamp = timestamp;
    record.deviceNumber = deviceNumber;
    record.threadId = threadId;
    record.flags = flags;
    // A name of 64 characters or more fills the field without a zero byte.
    std::memcpy(record.functionName, function, std::min(std::strlen(function), sizeof record.functionName));
    return record;
}

// A header with the magic and an EndOffset right after the last record,
// then the records.
inline std::vector<std::uint8_t> TraceLogBytes(const std::vector<TraceRecord>& records)
{
    std::vector<std::uint8_t> out;
    PutLittleEndian(out, kTraceLogMagic, 4);
    PutLittleEndian(out, 0, 8);
    PutLittleEndian(out, kTraceLogHeaderBytes + records.size() * kTraceRecordBytes, 4);
    PutLittleEndian(out, 0, 4);
    for (const TraceRecord& record : records) {
        PutLittleEndian(out, record.timestamp, 8);
        PutLittleEndian(out, record.threadId, 4);
        PutLittleEndian(out, record.flags, 4);
        PutLittleEndian(out, record.deviceNumber, 4);
        PutLittleEndian(out, record.driveLetter, 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(record.lineNumber), 4);
        PutLittleEndian(out, record.status, 4);
        out.insert(out.end(), record.functionName, record.functionName + kTraceFunctionNameBytes);
    }
    return out;
}

} // namespace trackkit::testing
