#include "tracelog/trace_selection.h"

#include <algorithm>

#include "tracelog/trace_texts.h"

namespace trackkit {

std::vector<ListedRecord> SelectTraceRecords(const TraceRecordArea& area, TraceFilterState& filters,
                                             FilterListSink& lists)
{
    std::vector<ListedRecord> listed;
    for (std::size_t index = 0; index < area.count; ++index) {
        const TraceRecord record = ReadTraceRecord(area, index);
        wchar_t deviceName[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(record.deviceNumber, record.flags, deviceName);
        if (!FilterAccepts(filters.selected.device, deviceName))
            continue;
        wchar_t threadId[TraceColumnTexts::kHexChars];
        FormatHex32(record.threadId, threadId);
        if (!FilterAccepts(filters.selected.threadId, threadId))
            continue;
        listed.push_back({EntryOf(record), index});
        if (filters.devices.Offer(deviceName))
            lists.AddText(TraceFilterList::Device, deviceName);
        if (filters.threads.Offer(threadId))
            lists.AddText(TraceFilterList::ThreadId, threadId);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const ListedRecord& a, const ListedRecord& b) {
        return a.entry.timestamp < b.entry.timestamp;
    });
    return listed;
}

} // namespace trackkit
