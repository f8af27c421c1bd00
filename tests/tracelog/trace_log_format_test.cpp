#include "tracelog/trace_log_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/byte_reader.h"

namespace trackkit {
namespace {

constexpr std::size_t kHeader = kTraceLogHeaderBytes;
constexpr std::size_t kRecord = kTraceRecordBytes;

// A file of `bytes` bytes that begins with the magic and the given EndOffset;
// everything else is 0xEE so stray reads of it show.
std::vector<std::uint8_t> LogFile(std::size_t bytes, std::uint32_t endOffset)
{
    std::vector<std::uint8_t> file(bytes, 0xEE);
    ByteWriter header(file);
    header.U32At(0, kTraceLogMagic);
    header.U32At(kTraceLogEndOffsetAt, endOffset);
    return file;
}

TEST(LocateTraceRecordsTest, RejectsWhatIsNotATraceLog)
{
    const std::uint8_t threeBytes[] = {0x4A, 0x54, 0x57};
    std::vector<std::uint8_t> wrongMagic = LogFile(kHeader + kRecord, kHeader + kRecord);
    wrongMagic[3] = 0x02;
    const std::vector<std::uint8_t> shortHeader = LogFile(kHeader, kHeader + kRecord);

    const struct {
        const char* what;
        std::span<const std::uint8_t> file;
    } cases[] = {
        {"shorter than the magic", threeBytes},
        {"header one byte short", std::span(shortHeader).first(kHeader - 1)},
        {"wrong magic", wrongMagic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TraceRecordArea area = LocateTraceRecords(c.file);
        EXPECT_EQ(area.error, kErrorFileInvalid);
        EXPECT_EQ(area.count, 0u);
    }
}

TEST(LocateTraceRecordsTest, WalksEveryWholeRecordThatStartsBelowEndOffset)
{
    const struct {
        const char* what;
        std::size_t fileBytes;
        std::uint32_t endOffset;
        std::size_t count;
    } cases[] = {
        {"EndOffset 0", kHeader + 2 * kRecord, 0, 0},
        {"EndOffset 20", kHeader + 2 * kRecord, 20, 0},
        {"header only", kHeader, kHeader, 0},
        {"exactly two", kHeader + 2 * kRecord, kHeader + 2 * kRecord, 2},
        {"EndOffset inside the second", kHeader + 2 * kRecord, kHeader + 2 * kRecord - 1, 2},
        {"EndOffset just past the first start", kHeader + 2 * kRecord, kHeader + 1, 1},
        {"EndOffset one past the third start", kHeader + 3 * kRecord, kHeader + 2 * kRecord + 1, 3},
        {"bytes beyond EndOffset", kHeader + 5 * kRecord + 7, kHeader + kRecord, 1},
        {"EndOffset beyond the bytes read", kHeader + 2 * kRecord, kHeader + 4 * kRecord, 2},
        {"half a record being appended", kHeader + 2 * kRecord + kRecord / 2, kHeader + 3 * kRecord, 2},
        {"largest EndOffset", kHeader + 3 * kRecord - 1, 0xFFFFFFFF, 2},
        {"EndOffset inside the first", kHeader + kRecord, kHeader + kRecord - 1, 1},
        {"EndOffset inside a record not read whole", kHeader + kRecord + 50, kHeader + kRecord + 10, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> file = LogFile(c.fileBytes, c.endOffset);
        const TraceRecordArea area = LocateTraceRecords(file);
        EXPECT_EQ(area.error, 0u);
        EXPECT_EQ(area.count, c.count);
        EXPECT_EQ(area.records.size(), c.count * kRecord);
        EXPECT_EQ(area.records.data(), c.count > 0 ? file.data() + kHeader : area.records.data());
    }
}

TEST(ReadTraceRecordTest, CopiesEachFieldFromItsUnalignedOffset)
{
    std::vector<std::uint8_t> file = LogFile(kHeader + 2 * kRecord, kHeader + 2 * kRecord);
    const std::uint8_t fields[] = {
        0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0xD9, 0x01,  // Timestamp
        0xA4, 0x01, 0x00, 0x00,                          // ThreadId 0x1A4
        0x04, 0x10, 0x00, 0x80,                          // Flags 0x80001004
        0xFF, 0xFF, 0xFF, 0xFF,                          // DeviceNumber
        0x44, 0x00,                                      // DriveLetter D
        0x2A, 0xFB, 0xFF, 0xFF,                          // LineNumber -1238
        0x22, 0x00, 0x00, 0xC0,                          // Status 0xC0000022
        'C', 'b', 't', 'P', 'r', 'e', 'W', 'r', 'i', 't', 'e', 0x00, 'x',
    };
    std::memcpy(file.data() + kHeader + kRecord, fields, sizeof fields);

    const TraceRecordArea area = LocateTraceRecords(file);
    ASSERT_EQ(area.count, 2u);
    const TraceRecord record = ReadTraceRecord(area, 1);
    EXPECT_EQ(record.timestamp, 0x01D9B1DED53E8000ull);
    EXPECT_EQ(record.threadId, 0x1A4u);
    EXPECT_EQ(record.flags, 0x80001004u);
    EXPECT_EQ(record.deviceNumber, 0xFFFFFFFFu);
    EXPECT_EQ(record.driveLetter, u'D');
    EXPECT_EQ(record.lineNumber, -1238);
    EXPECT_EQ(record.status, 0xC0000022u);
    EXPECT_STREQ(record.functionName, "CbtPreWrite");
    EXPECT_EQ(record.functionName[12], 'x');
    EXPECT_EQ(static_cast<std::uint8_t>(record.functionName[63]), 0xEE);

    const TraceEntry entry = EntryOf(record);
    EXPECT_EQ(entry.timestamp, record.timestamp);
    EXPECT_EQ(entry.lineNumber, -1238);
    EXPECT_EQ(entry.status, 0xC0000022u);
    EXPECT_EQ(entry.flags, 0x80001004u);
    EXPECT_EQ(entry.threadId, 0x1A4u);
    EXPECT_EQ(entry.deviceNumber, 0xFFFFFFFFu);

    EXPECT_EQ(ReadTraceRecord(area, 2).timestamp, 0u) << "an index past the area gives an empty record";
}

} // namespace
} // namespace trackkit
