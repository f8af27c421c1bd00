#include "sim/trace_log_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tracelog/flag_names.h"
#include "tracelog/status_names.h"
#include "tracelog/trace_texts.h"

namespace trackkit {
namespace {

TEST(SampleTraceLogTest, EveryEndingReadsBackAsTheRecordsWrittenAndTheSeedFixesTheBytes)
{
    for (const SampleLogEnd end : {SampleLogEnd::Exact, SampleLogEnd::PreallocatedTail, SampleLogEnd::StillAppending}) {
        for (const std::size_t records : {std::size_t{0}, std::size_t{500}}) {
            const std::vector<std::uint8_t> file = WriteSampleTraceLog({records, 7, end});
            EXPECT_EQ(LocateTraceRecords(file).count, records) << static_cast<int>(end);
        }
    }
    EXPECT_EQ(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 42}));
    EXPECT_NE(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 43}));
}

// The demo's log holds each case the viewer must handle.
TEST(SampleTraceLogTest, ShowsWhatTheViewerHasToHandle)
{
    const std::vector<std::uint8_t> file = WriteSampleTraceLog({2000, 1, SampleLogEnd::Exact});
    const TraceRecordArea area = LocateTraceRecords(file);
    ASSERT_EQ(area.count, 2000u);
    std::set<std::wstring> seen;
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < area.count; ++i) {
        const TraceRecord record = ReadTraceRecord(area, i);
        const auto note = [&](bool condition, const wchar_t* what) { if (condition) seen.insert(what); };
        note(record.timestamp < previous, L"out of order");
        note((record.flags & kCbtFlagShutdownPending) != 0, L"shutdown");
        note((record.flags & (kCbtFlagShutdownPending | kCbtFlagVolumeOnline)) == kCbtFlagVolumeOnline, L"online");
        note(NtStatusName(record.status)[0] == '\0', L"unnamed status");
        note(record.status >= 0xC0000000, L"failure");
        note(record.driveLetter == 0, L"no drive");
        note(record.functionName[kTraceFunctionNameBytes - 1] != '\0', L"full function name");
        previous = record.timestamp;
        wchar_t name[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(record.deviceNumber, record.flags, name);
        seen.insert(name);
    }
    for (const wchar_t* what : {L"out of order", L"shutdown", L"online", L"unnamed status", L"failure", L"no drive",
                                L"full function name", L"HarddiskVolume2", L"HarddiskVolume10",
                                L"HarddiskVolumeShadowCopy12", L"HarddiskVolumeShadowCopy12345"})
        EXPECT_EQ(seen.count(what), 1u) << what;
}

} // namespace
} // namespace trackkit
