#include "sim/trace_log_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tracelog/flag_names.h"
#include "tracelog/status_names.h"
#include "tracelog/trace_texts.h"

namespace trackkit {
namespace {

TEST(SampleTraceLogTest, EveryEndingReadsBackAsTheRecordsWritten)
{
    for (const SampleLogEnd end : {SampleLogEnd::Exact, SampleLogEnd::PreallocatedTail, SampleLogEnd::StillAppending}) {
        for (const std::size_t records : {std::size_t{0}, std::size_t{1}, std::size_t{500}}) {
            const std::vector<std::uint8_t> file = WriteSampleTraceLog({records, 7, end});
            const TraceRecordArea area = LocateTraceRecords(file);
            EXPECT_EQ(area.error, 0u);
            EXPECT_EQ(area.count, records) << static_cast<int>(end);
            if (end == SampleLogEnd::Exact) {
                EXPECT_EQ(file.size(), kTraceLogHeaderBytes + records * kTraceRecordBytes);
            }
        }
    }
}

TEST(SampleTraceLogTest, TheSeedFixesTheBytes)
{
    EXPECT_EQ(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 42}));
    EXPECT_NE(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 43}));
}

TEST(SampleTraceLogTest, ShowsWhatTheViewerHasToHandle)
{
    const std::vector<std::uint8_t> file = WriteSampleTraceLog({2000, 1, SampleLogEnd::Exact});
    const TraceRecordArea area = LocateTraceRecords(file);
    ASSERT_EQ(area.count, 2000u);

    std::size_t outOfOrder = 0, shutdown = 0, onlineOnly = 0, unnamedStatus = 0, failures = 0;
    std::size_t noDrive = 0, fullFunctionName = 0;
    std::set<std::wstring> devices;
    std::set<std::uint32_t> threads;
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < area.count; ++i) {
        const TraceRecord record = ReadTraceRecord(area, i);
        outOfOrder += record.timestamp < previous ? 1 : 0;
        previous = record.timestamp;
        shutdown += (record.flags & kCbtFlagShutdownPending) != 0 ? 1 : 0;
        onlineOnly += (record.flags & (kCbtFlagShutdownPending | kCbtFlagVolumeOnline)) == kCbtFlagVolumeOnline ? 1 : 0;
        unnamedStatus += NtStatusName(record.status)[0] == '\0' ? 1 : 0;
        failures += record.status >= 0xC0000000 ? 1 : 0;
        noDrive += record.driveLetter == 0 ? 1 : 0;
        fullFunctionName += record.functionName[kTraceFunctionNameBytes - 1] != '\0' ? 1 : 0;
        wchar_t name[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(record.deviceNumber, record.flags, name);
        devices.insert(name);
        threads.insert(record.threadId);
    }
    EXPECT_GT(outOfOrder, 0u);
    EXPECT_GT(shutdown, 0u);
    EXPECT_GT(onlineOnly, 0u);
    EXPECT_GT(unnamedStatus, 0u);
    EXPECT_GT(failures, 0u);
    EXPECT_GT(noDrive, 0u);
    EXPECT_GT(fullFunctionName, 0u);
    EXPECT_GE(threads.size(), 5u);
    EXPECT_TRUE(devices.count(L"HarddiskVolume2") && devices.count(L"HarddiskVolume10"));
    EXPECT_TRUE(devices.count(L"HarddiskVolumeShadowCopy12") && devices.count(L"HarddiskVolumeShadowCopy12345"));
}

} // namespace
} // namespace trackkit
