#include "sim/trace_log_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "common/byte_reader.h"
#include "sim/sim_random.h"
#include "tracelog/flag_names.h"
#include "tracelog/status_name_table.h"

namespace trackkit {
namespace {

// 2026-12-04 09:00:00, as a FILETIME.
constexpr std::uint64_t kLogStart = 134'408'484'000'000'000ull;
constexpr std::uint64_t kTicksPerMillisecond = 10'000;

constexpr std::uint32_t kTrackingEnabled = 0x40000000;
constexpr std::uint32_t kFileSystemMounted = 0x00200000;
constexpr std::uint32_t kFileSystemRecognized = 0x00100000;
constexpr std::uint32_t kTrackingFileOpen = 0x02000000;
constexpr std::uint32_t kTrackingFileInitialized = 0x01000000;
constexpr std::uint32_t kFlushHeader = 0x04000000;
constexpr std::uint32_t kFlushArray = 0x08000000;
constexpr std::uint32_t kDeviceUsb = 0x00000010;
constexpr std::uint32_t kSeenWritable = 0x00008000;
// Bits the driver sets that have no name.
constexpr std::uint32_t kUnnamedBits[] = {0x00000200, 0x00000800, 0x10000000};

struct Device {
    std::uint32_t number;
    std::uint32_t flags;
    char16_t driveLetter;
};

constexpr std::uint32_t kMountedVolume = kFileSystemRecognized | kFileSystemMounted | kSeenWritable;
constexpr std::uint32_t kTrackedVolume = kMountedVolume | kTrackingEnabled | kTrackingFileInitialized | kTrackingFileOpen;

constexpr Device kDevices[] = {
    {1, kMountedVolume, 0},  // the system reserved partition: never tracked
    {2, kTrackedVolume, u'C'},
    {3, kTrackedVolume, u'D'},
    {10, kTrackedVolume | kDeviceUsb, u'E'},
    {11, kTrackedVolume, 0},  // mounted in a folder, no letter
    {12, kCbtFlagDeviceSnapshot | kFileSystemRecognized, 0},
    {12345, kCbtFlagDeviceSnapshot | kFileSystemRecognized | kFileSystemMounted, 0},
};

constexpr std::uint32_t kThreads[] = {0x000001A4, 0x000001B8, 0x000002C0, 0x000004E4, 0x000009F0,
                                      0x00001234, 0x00001F3C, 0x00002A08, 0x00003B10, 0x00007D4C};

// A name that fills the whole field, without room for its zero byte.
constexpr std::string_view kLongestFunction = "CbtCompleteDeferredTrackingFileFlushBeforeSnapshotVolumeDismount";
static_assert(kLongestFunction.size() == kTraceFunctionNameBytes);

struct Event {
    std::string_view function;
    std::int32_t firstLine;
    std::uint32_t extraFlags;
    unsigned weight;
};

constexpr Event kEvents[] = {
    {"CbtPreWrite", 412, 0, 40},
    {"CbtPostWrite", 488, 0, 25},
    {"CbtPreCreate", 230, 0, 8},
    {"CbtPreCleanup", 301, 0, 5},
    {"CbtPreFileSystemControl", 655, 0, 4},
    {"CbtSetBitsInSessionBitmap", 1210, 0, 6},
    {"CbtFlushTrackingFile", 1533, kFlushHeader | kFlushArray, 3},
    {"CbtWriteTrackingFileHeader", 1602, kFlushHeader, 2},
    {"CbtQuerySessionBitmap", 1877, 0, 3},
    {"CbtQueryTrackingInfo", 1930, 0, 2},
    {"CbtInstanceSetup", 120, 0, 1},
    {"CbtVolumeOnline", 760, kCbtFlagVolumeOnline, 1},
    {kLongestFunction, 2048, 0, 1},
};

// Codes a filter driver meets besides success, by how often.
constexpr std::uint32_t kCommonStatuses[] = {
    0x00000103,  // STATUS_PENDING
    0x00000104,  // STATUS_REPARSE
    0x80000005,  // STATUS_BUFFER_OVERFLOW
    0xC0000022,  // STATUS_ACCESS_DENIED
    0xC0000034,  // STATUS_OBJECT_NAME_NOT_FOUND
    0xC0000043,  // STATUS_SHARING_VIOLATION
    0xC000007F,  // STATUS_DISK_FULL
    0xC000009A,  // STATUS_INSUFFICIENT_RESOURCES
    0xC000000D,  // STATUS_INVALID_PARAMETER
    0xC000026E,  // STATUS_VOLUME_DISMOUNTED
};
// Codes without a name: a hole of the table and customer-defined codes.
constexpr std::uint32_t kUnnamedStatuses[] = {0xC0000036, 0xE0000001, 0x20000000};

class RecordSource {
public:
    RecordSource(std::uint64_t seed, std::size_t count) : random_(seed), count_(count) {}

    TraceRecord Next()
    {
        TraceRecord record;
        const Event& event = index_ < std::size(kDevices) ? StartUpEvent() : PickEvent();
        const Device& device = index_ < std::size(kDevices) ? kDevices[index_] : PickDevice();
        record.timestamp = NextTime();
        record.threadId = kThreads[random_.Below(std::size(kThreads))];
        record.flags = FlagsFor(device, event);
        record.deviceNumber = device.number;
        record.driveLetter = device.driveLetter;
        record.lineNumber = event.firstLine + static_cast<std::int32_t>(random_.Below(40));
        record.status = PickStatus();
        std::memcpy(record.functionName, event.function.data(), event.function.size());
        ++index_;
        return record;
    }

private:
    static const Event& StartUpEvent() { return kEvents[std::size(kEvents) - 2]; }

    const Event& PickEvent()
    {
        unsigned total = 0;
        for (const Event& event : kEvents)
            total += event.weight;
        auto pick = static_cast<unsigned>(random_.Below(total));
        for (const Event& event : kEvents) {
            if (pick < event.weight)
                return event;
            pick -= event.weight;
        }
        return kEvents[0];
    }

    const Device& PickDevice()
    {
        // The system and data volumes see most of the writes.
        if (random_.Below(10) < 7)
            return kDevices[1 + random_.Below(2)];
        return kDevices[random_.Below(std::size(kDevices))];
    }

    std::uint64_t NextTime()
    {
        time_ += random_.Below(50 * kTicksPerMillisecond);
        // Another thread wrote its event a little earlier but got the log later.
        if (index_ > 0 && random_.OneIn(30))
            return time_ - random_.Below(200 * kTicksPerMillisecond);
        return time_;
    }

    std::uint32_t FlagsFor(const Device& device, const Event& event)
    {
        std::uint32_t flags = device.flags | event.extraFlags;
        if ((device.flags & kTrackingEnabled) != 0 && index_ >= std::size(kDevices) && random_.Below(10) < 6)
            flags |= kCbtFlagVolumeOnline;
        if (random_.OneIn(50))
            flags |= kUnnamedBits[random_.Below(std::size(kUnnamedBits))];
        // The last events of the log are written while the system shuts down.
        if (count_ > 0 && index_ >= count_ - std::max<std::size_t>(count_ / 50, 1))
            flags |= kCbtFlagShutdownPending;
        return flags;
    }

    std::uint32_t PickStatus()
    {
        const std::uint64_t roll = random_.Below(100);
        if (roll < 85)
            return 0;  // STATUS_SUCCESS
        if (roll < 95)
            return kCommonStatuses[random_.Below(std::size(kCommonStatuses))];
        if (roll < 99) {
            const std::span<const StatusNameRow> rows = StatusNameRows();
            return rows[random_.Below(rows.size())].code;
        }
        return kUnnamedStatuses[random_.Below(std::size(kUnnamedStatuses))];
    }

    SimRandom random_;
    std::size_t count_;
    std::size_t index_ = 0;
    std::uint64_t time_ = kLogStart;
};

constexpr std::size_t kPreallocationStep = 4096;

std::size_t FileBytesFor(std::size_t areaEnd, SampleLogEnd end)
{
    switch (end) {
    case SampleLogEnd::Exact:
        return areaEnd;
    case SampleLogEnd::PreallocatedTail:
        return (areaEnd / kPreallocationStep + 1) * kPreallocationStep;
    case SampleLogEnd::StillAppending:
        return areaEnd + kTraceRecordBytes / 2;
    }
    return areaEnd;
}

} // namespace

void EncodeTraceRecord(const TraceRecord& record, std::span<std::uint8_t, kTraceRecordBytes> out)
{
    ByteWriter bytes(out);
    bytes.U64At(0, record.timestamp);
    bytes.U32At(8, record.threadId);
    bytes.U32At(12, record.flags);
    bytes.U32At(16, record.deviceNumber);
    bytes.U16At(20, static_cast<std::uint16_t>(record.driveLetter));
    bytes.U32At(22, static_cast<std::uint32_t>(record.lineNumber));
    bytes.U32At(26, record.status);
    for (std::size_t i = 0; i < kTraceFunctionNameBytes; ++i)
        bytes.U8At(30 + i, static_cast<std::uint8_t>(record.functionName[i]));
}

void EncodeTraceLogHeader(std::uint32_t endOffset, std::span<std::uint8_t, kTraceLogHeaderBytes> out)
{
    ByteWriter bytes(out);
    bytes.U32At(0, kTraceLogMagic);
    bytes.U64At(4, kLogStart);  // when the driver created the log
    bytes.U32At(kTraceLogEndOffsetAt, endOffset);
    bytes.U32At(16, static_cast<std::uint32_t>(kTraceRecordBytes));
}

std::vector<std::uint8_t> WriteSampleTraceLog(const SampleTraceLogOptions& options)
{
    const std::size_t areaEnd = kTraceLogHeaderBytes + options.records * kTraceRecordBytes;
    std::vector<std::uint8_t> file(FileBytesFor(areaEnd, options.end), 0);
    const std::size_t endOffset =
        options.end == SampleLogEnd::StillAppending ? areaEnd + kTraceRecordBytes : areaEnd;
    EncodeTraceLogHeader(static_cast<std::uint32_t>(endOffset),
                         std::span(file).first<kTraceLogHeaderBytes>());

    RecordSource source(options.seed, options.records);
    std::uint8_t* at = file.data() + kTraceLogHeaderBytes;
    for (std::size_t i = 0; i < options.records; ++i, at += kTraceRecordBytes)
        EncodeTraceRecord(source.Next(), std::span<std::uint8_t, kTraceRecordBytes>(at, kTraceRecordBytes));
    if (options.end == SampleLogEnd::StillAppending) {
        // The first half of a record the driver is still writing.
        std::array<std::uint8_t, kTraceRecordBytes> partial{};
        EncodeTraceRecord(source.Next(), partial);
        std::copy_n(partial.begin(), kTraceRecordBytes / 2, at);
    }
    return file;
}

} // namespace trackkit
