#pragma once

// Trace log files built byte by byte, as the tracking driver writes them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tracelog/trace_log_format.h"

namespace trackkit::testing {

inline TraceRecord MakeRecord(std::uint64_t timestamp, std::uint32_t deviceNumber, std::uint32_t threadId,
                              std::uint32_t flags = 0, const char* function = "CbtWrite")
{
    TraceRecord record{timestamp, threadId, flags, deviceNumber};
    // A name of 64 characters or more fills the field without a zero byte.
    std::memcpy(record.functionName, function, std::min(std::strlen(function), sizeof record.functionName));
    return record;
}

// A header with the magic and an EndOffset right after the last record, then the records.
inline std::vector<std::uint8_t> TraceLogBytes(const std::vector<TraceRecord>& records)
{
    std::vector<std::uint8_t> out;
    const auto put = [&](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(kTraceLogMagic, 4), put(0, 8), put(kTraceLogHeaderBytes + records.size() * kTraceRecordBytes, 4), put(0, 4);
    for (const TraceRecord& r : records) {
        put(r.timestamp, 8), put(r.threadId, 4), put(r.flags, 4), put(r.deviceNumber, 4), put(r.driveLetter, 2);
        put(static_cast<std::uint32_t>(r.lineNumber), 4), put(r.status, 4);
        out.insert(out.end(), r.functionName, r.functionName + kTraceFunctionNameBytes);
    }
    return out;
}

} // namespace trackkit::testing
