#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "trace_log_bytes.h"
#include "tracelog/flag_names.h"
#include "tracelog/trace_selection.h"

namespace trackkit {
namespace {

using testing::MakeRecord;
using testing::TraceLogBytes;

struct SeenTexts final : FilterListSink {
    void AddText(TraceFilterList list, std::wstring_view text) override
    {
        (list == TraceFilterList::Device ? devices : threads).emplace_back(text);
    }
    std::vector<std::wstring> devices;
    std::vector<std::wstring> threads;
};

std::vector<std::size_t> Order(const std::vector<ListedRecord>& listed)
{
    std::vector<std::size_t> order;
    for (const ListedRecord& record : listed)
        order.push_back(record.recordIndex);
    return order;
}

class TraceSelection : public ::testing::Test {
protected:
    // Out of time order; two records share a timestamp; devices 1 and 10
    // and a shadow copy 12345.
    const std::vector<std::uint8_t> file = TraceLogBytes({
        MakeRecord(500, 10, 0x1A4),
        MakeRecord(100, 1, 0x1A4, kCbtFlagVolumeOnline),
        MakeRecord(300, 1, 0x2B0),
        MakeRecord(100, 12345, 0x2B0, kCbtFlagDeviceSnapshot),
        MakeRecord(200, 10, 0x1A4),
    });
    const TraceRecordArea area = LocateTraceRecords(file);

    std::pair<std::vector<std::size_t>, SeenTexts> Select(TraceFilterState& filters)
    {
        SeenTexts seen;
        const auto listed = SelectTraceRecords(area, filters, seen);
        return {Order(listed), std::move(seen)};
    }
};

TEST_F(TraceSelection, AllPassInTimeOrderEqualTimesKeepFileOrderEachTextOfferedOnce)
{
    TraceFilterState filters;
    filters.selected = {L"*", L"*"};
    const auto [order, seen] = Select(filters);
    EXPECT_EQ(order, (std::vector<std::size_t>{1, 3, 4, 2, 0}));
    EXPECT_EQ(seen.devices,
              (std::vector<std::wstring>{L"HarddiskVolume10", L"HarddiskVolume1", L"HarddiskVolumeShadowCopy12345"}));
    EXPECT_EQ(seen.threads, (std::vector<std::wstring>{L"0x000001A4", L"0x000002B0"}));

    const auto [again, seenAgain] = Select(filters);  // the lists hold them all now
    EXPECT_EQ(again.size(), 5u);
    EXPECT_TRUE(seenAgain.devices.empty());
    EXPECT_TRUE(seenAgain.threads.empty());
}

TEST_F(TraceSelection, EachFilterNarrowsAndOnlyPassingRecordsOfferTexts)
{
    TraceFilterState device;
    device.selected = {L"HarddiskVolume10", L"*"};
    const auto [byDevice, seenByDevice] = Select(device);
    EXPECT_EQ(byDevice, (std::vector<std::size_t>{4, 0}));
    EXPECT_EQ(seenByDevice.threads, (std::vector<std::wstring>{L"0x000001A4"}));

    TraceFilterState thread;
    thread.selected = {L"", L"0x000002B0"};  // no selection passes everything
    const auto [byThread, seenByThread] = Select(thread);
    EXPECT_EQ(byThread, (std::vector<std::size_t>{3, 2}));

    TraceFilterState caseMatters;
    caseMatters.selected = {L"harddiskvolume1", L"*"};
    EXPECT_TRUE(Select(caseMatters).first.empty());

    TraceFilterState both;
    both.selected = {L"HarddiskVolume1", L"0x000002B0"};
    EXPECT_EQ(Select(both).first, (std::vector<std::size_t>{2}));
}

} // namespace
} // namespace trackkit
