#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tracelog/trace_index.h"
#include "tracelog/trace_load_status.h"
#include "tracelog/trace_snapshot.h"

namespace trackkit {

// A loaded trace log: the snapshot of the file and the index over its
// records, which reads the snapshot's bytes in place. Never changed once
// made, so the table and any worker can share it.
struct LoadedTraceLog {
    TraceSnapshot snapshot;
    TraceLogIndex index;
};

// What a load gave: the log (none when it failed or was cancelled) and what
// the status line says of it.
struct TraceLoadResult {
    std::shared_ptr<const LoadedTraceLog> log;
    TraceStatus status;
};

// How far a load got: the file read (TraceWork::Reading), then the records
// put in time order (TraceWork::Indexing); false stops it.
using TraceLoadProgress = std::function<bool(TraceWork work, std::size_t done, std::size_t total)>;

// Opens the log at path, reads it whole into memory and lets go of the file,
// then indexes it; on the calling thread. Progress may stop it.
TraceLoadResult LoadTraceLogFile(std::wstring_view path, const TraceLoadProgress& progress);

} // namespace trackkit
