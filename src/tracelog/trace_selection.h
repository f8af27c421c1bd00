#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "tracelog/trace_filter.h"
#include "tracelog/trace_log_format.h"

namespace trackkit {

// A record that passed both filters: its entry and its place in the file.
struct ListedRecord {
    TraceEntry entry;
    std::size_t recordIndex = 0;
};

enum class TraceFilterList { Device, ThreadId };

// Receives the texts that a filter list does not hold yet.
class FilterListSink {
public:
    virtual ~FilterListSink() = default;
    virtual void AddText(TraceFilterList list, std::wstring_view text) = 0;
};

// The filter lists' state during a load: the selected texts and the texts
// each list already holds.
struct TraceFilterState {
    TraceFilters selected;
    FilterChoices devices;
    FilterChoices threads;
};

// Walks the record area once: every record whose DeviceName and ThreadId
// texts pass the filters is kept, and offers those texts to the lists (each
// new text goes to the sink once). The kept records come back in ascending
// Timestamp order; equal timestamps keep their order in the file.
std::vector<ListedRecord> SelectTraceRecords(const TraceRecordArea& area, TraceFilterState& filters,
                                             FilterListSink& lists);

} // namespace trackkit
