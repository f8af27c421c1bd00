// Reading the driver's trace log: where the records lie, what they hold, which of them the dialog lists in
// which order, the demo's sample log, and the log's path from the registry and the file dialog.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "common/byte_reader.h"
#include "sim/trace_log_writer.h"
#include "trace_log_bytes.h"
#include "tracelog/flag_names.h"
#include "tracelog/status_names.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/trace_snapshot.h"
#include "tracelog/trace_texts.h"

namespace trackkit {
namespace {

constexpr std::size_t kHeader = kTraceLogHeaderBytes, kRecord = kTraceRecordBytes;

// A file of `bytes` bytes that begins with the magic and the given EndOffset (as far as they fit);
// everything else is 0xEE so stray reads of it show.
std::vector<std::uint8_t> LogFile(std::size_t bytes, std::uint32_t endOffset, std::uint32_t magic = kTraceLogMagic)
{
    std::vector<std::uint8_t> file(std::max(bytes, kHeader), 0xEE);
    ByteWriter(file).U32At(0, magic);
    ByteWriter(file).U32At(kTraceLogEndOffsetAt, endOffset);
    file.resize(bytes);
    return file;
}

TEST(LocateTraceRecordsTest, WalksEveryWholeRecordThatStartsBelowEndOffsetAndRejectsWhatIsNotATraceLog)
{
    // The header, then `records` whole records and `extra` bytes.
    const auto At = [](std::uint32_t records,
        std::int32_t extra = 0) { return static_cast<std::uint32_t>(kHeader + records * kRecord + extra); };
    const struct { const char* what; std::size_t fileBytes; std::uint32_t endOffset; std::size_t count; std::uint32_t error = 0;
                   std::uint32_t magic = kTraceLogMagic; } cases[] = {
        {"EndOffset 0", At(2), 0, 0}, {"EndOffset 20", At(2), 20, 0}, {"header only", At(0), At(0), 0}, {"exactly two", At(2), At(2), 2},
        {"inside the second", At(2), At(2, -1), 2}, {"just past the first start", At(2), At(0, 1), 1},
        {"one past the third start", At(3), At(2, 1), 3}, {"bytes beyond EndOffset", At(5, 7), At(1), 1},
        {"beyond the bytes read", At(2), At(4), 2},
        {"half a record being appended", At(2, 47), At(3), 2}, {"largest EndOffset", At(3, -1), 0xFFFFFFFF, 2},
        {"inside the first", At(1), At(1, -1), 1},
        {"inside a record not read whole", At(1, 50), At(1, 10), 1}, {"shorter than the magic", 3, 0, 0, kErrorFileInvalid},
        {"header one byte short", At(0, -1), At(1), 0, kErrorFileInvalid},
        {"wrong magic", At(1), At(1), 0, kErrorFileInvalid, (kTraceLogMagic & 0x00FFFFFF) | 0x02000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> file = LogFile(c.fileBytes, c.endOffset, c.magic);
        const TraceRecordArea area = LocateTraceRecords(file);
        EXPECT_EQ(std::tuple(area.error, area.count, area.records.size(), area.records.data()),
                  std::tuple(c.error, c.count, c.count * kRecord, c.count > 0 ? file.data() + kHeader : area.records.data()));
    }
}

TEST(ReadTraceRecordTest, CopiesEachFieldFromItsUnalignedOffset)
{
    std::vector<std::uint8_t> file = LogFile(kHeader + 2 * kRecord, kHeader + 2 * kRecord);
    const std::uint8_t fields[] = {
        0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0xD9, 0x01, 0xA4, 0x01, 0x00, 0x00,  // Timestamp, ThreadId 0x1A4
        0x04, 0x10, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0x44, 0x00,              // Flags 0x80001004, DeviceNumber, DriveLetter D
        0x2A, 0xFB, 0xFF, 0xFF, 0x22, 0x00, 0x00, 0xC0,                          // LineNumber -1238, Status 0xC0000022
        'C', 'b', 't', 'P', 'r', 'e', 'W', 'r', 'i', 't', 'e', 0x00, 'x'};
    std::memcpy(file.data() + kHeader + kRecord, fields, sizeof fields);

    const TraceRecordArea area = LocateTraceRecords(file);
    ASSERT_EQ(area.count, 2u);
    const TraceRecord r = ReadTraceRecord(area, 1);
    EXPECT_EQ(std::tuple(r.timestamp, r.threadId, r.flags, r.deviceNumber, r.driveLetter, r.lineNumber, r.status),
              std::tuple(0x01D9B1DED53E8000ull, 0x1A4u, 0x80001004u, 0xFFFFFFFFu, u'D', -1238, 0xC0000022u));
    EXPECT_STREQ(r.functionName, "CbtPreWrite");
    EXPECT_EQ(std::pair(r.functionName[12], static_cast<std::uint8_t>(r.functionName[63])), std::pair('x', std::uint8_t{0xEE}));
    const TraceEntry e = EntryOf(r);
    EXPECT_EQ(std::tuple(e.timestamp, e.lineNumber, e.status, e.flags, e.threadId, e.deviceNumber),
              std::tuple(r.timestamp, -1238, 0xC0000022u, 0x80001004u, 0x1A4u, 0xFFFFFFFFu));
    EXPECT_EQ(ReadTraceRecord(area, 2).timestamp, 0u) << "an index past the area gives an empty record";
}

// A file as a source of bytes: it hands out at most `piece` bytes a read, fails every read from `failAt` on, and
// holds `cut` bytes fewer than the size it claims (a file cut short after it was opened).
struct FileSource final : TraceByteSource {
    std::vector<std::uint8_t> file;
    std::size_t piece = 1 << 30, failAt = SIZE_MAX, cut = 0, at = 0;
    std::uint64_t Size() override { return file.size() + cut; }
    Read ReadNext(std::span<std::uint8_t> into) override
    {
        if (at >= failAt)
            return {0, 23};  // ERROR_CRC: a page that cannot be read
        const std::size_t count = std::min({into.size(), piece, file.size() - at, failAt - at});
        std::memcpy(into.data(), file.data() + at, count);
        at += count;
        return {count, 0};
    }
};

// The snapshot holds the header and the records up to EndOffset and nothing beyond; a failed read keeps what came
// before it, of which only whole records are listed.
TEST(TraceSnapshotTest, ReadsTheRecordsUpToEndOffsetAndKeepsWhatCameBeforeAFailedRead)
{
    const auto At = [](std::size_t records, std::size_t extra = 0) { return kHeader + records * kRecord + extra; };
    const struct { const char* what; std::size_t bytes; std::uint32_t end; std::size_t piece, failAt, cut;
                   std::size_t size; std::uint32_t error; std::size_t listed; std::uint32_t magic = kTraceLogMagic; } cases[] = {
        {"whole", At(3), At(3), 1 << 30, SIZE_MAX, 0, At(3), 0, 3},
        {"in small reads", At(3), At(3), 7, SIZE_MAX, 0, At(3), 0, 3},
        {"tail beyond EndOffset left unread", At(3, 500), At(2, 1), 1 << 30, SIZE_MAX, 0, At(3), 0, 3},
        {"EndOffset beyond the file", At(2, 50), At(9), 1 << 30, SIZE_MAX, 0, At(2, 50), 0, 2},
        {"cut short since opened", At(3), At(3), 1 << 30, SIZE_MAX, 40, At(3), 0, 3},
        {"read fails inside the third record", At(3), At(3), 1 << 30, At(2, 30), 0, At(2, 30), 23, 2},
        {"read fails in the header", At(3), At(3), 1 << 30, 10, 0, 0, 23, 0},
        {"empty", 0, 0, 1 << 30, SIZE_MAX, 0, 0, kErrorFileInvalid, 0},
        {"no trace log", At(3), At(3), 1 << 30, SIZE_MAX, 0, 0, kErrorFileInvalid, 0, 0x12345678},
        {"header cut", kHeader - 1, 0, 1 << 30, SIZE_MAX, 0, 0, kErrorFileInvalid, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileSource source;
        source.file = LogFile(c.bytes, c.end, c.magic);
        source.piece = c.piece, source.failAt = c.failAt, source.cut = c.cut;
        const std::optional<TraceSnapshot> snapshot = ReadTraceSnapshot(source, {});
        ASSERT_TRUE(snapshot.has_value());
        EXPECT_EQ(std::tuple(snapshot->size, snapshot->error, LocateTraceRecords(snapshot->Bytes()).count),
                  std::tuple(c.size, c.error, c.listed));
        EXPECT_TRUE(std::equal(snapshot->Bytes().begin(), snapshot->Bytes().end(), source.file.begin()));
        EXPECT_LE(source.at, std::max(c.size, kHeader)) << "nothing read past what the snapshot needs";
    }
    FileSource large;
    large.file = LogFile(At(200000), At(200000));
    std::vector<std::size_t> told;
    const auto stop = [&](std::size_t done, std::size_t total) { told.push_back(done), told.push_back(total); return told.size() < 4; };
    EXPECT_FALSE(ReadTraceSnapshot(large, stop).has_value());
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 200000, (8u << 20) / kRecord, 200000})) << "told between pieces of 8 MiB";
}

// Every ending reads back as the records written, the seed fixes the bytes, and the demo's log holds each case
// the viewer must handle.
TEST(SampleTraceLogTest, ReadsBackAndShowsWhatTheViewerHasToHandle)
{
    for (const SampleLogEnd end : {SampleLogEnd::Exact, SampleLogEnd::PreallocatedTail, SampleLogEnd::StillAppending})
        for (const std::size_t records : {std::size_t{0}, std::size_t{500}})
            EXPECT_EQ(LocateTraceRecords(WriteSampleTraceLog({records, 7, end})).count, records) << static_cast<int>(end);
    EXPECT_EQ(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 42}));
    EXPECT_NE(WriteSampleTraceLog({300, 42}), WriteSampleTraceLog({300, 43}));
    const std::vector<std::uint8_t> file = WriteSampleTraceLog({2000, 1, SampleLogEnd::Exact});
    const TraceRecordArea area = LocateTraceRecords(file);
    std::set<std::wstring> seen;
    for (std::size_t i = 0; i < area.count; ++i) {
        const TraceRecord r = ReadTraceRecord(area, i);
        const auto note = [&](bool condition, const wchar_t* what) { if (condition) seen.insert(what); };
        note(i > 0 && r.timestamp < ReadTraceRecord(area, i - 1).timestamp, L"out of order");
        note((r.flags & kCbtFlagShutdownPending) != 0, L"shutdown");
        note((r.flags & (kCbtFlagShutdownPending | kCbtFlagVolumeOnline)) == kCbtFlagVolumeOnline, L"online");
        note(NtStatusName(r.status)[0] == '\0', L"unnamed status");
        note(r.status >= 0xC0000000, L"failure");
        note(r.driveLetter == 0, L"no drive");
        note(r.functionName[kTraceFunctionNameBytes - 1] != '\0', L"full function name");
        wchar_t name[TraceColumnTexts::kDeviceNameChars];
        FormatDeviceName(r.deviceNumber, r.flags, name);
        seen.insert(name);
    }
    for (const wchar_t* what : {L"out of order", L"shutdown", L"online", L"unnamed status", L"failure", L"no drive", L"full function name",
                                L"HarddiskVolume2", L"HarddiskVolume10", L"HarddiskVolumeShadowCopy12", L"HarddiskVolumeShadowCopy12345"})
        EXPECT_EQ(seen.count(what), 1u) << what;
}

// The registry value is usable only above eight bytes, up to 520, and when terminated.
TEST(TraceLogPath, RegistryValueChosenPathAndObjectName)
{
    const auto Utf16 = [](const std::wstring& text, std::size_t terminators = 1) {  // of ASCII text
        std::vector<std::uint8_t> bytes(2 * (text.size() + terminators), 0);
        for (std::size_t i = 0; i < text.size(); ++i)
            bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
        return bytes;
    };
    const std::wstring longest(259, L'x');
    const struct { const char* name; std::vector<std::uint8_t> data; std::optional<std::wstring> expected; } cases[] = {
        {"8 bytes, four characters unterminated", Utf16(L"C:\\x", 0), std::nullopt},
        {"10 bytes", Utf16(L"C:\\x"), L"C:\\x"},
        {"9 bytes: the odd byte is a low half", {'C', 0, ':', 0, '\\', 0, 'x', 0, 'y'}, L"C:\\xy"},
        {"text ends early inside a longer value", Utf16(L"C:\\log", 20), L"C:\\log"},
        {"520 bytes, 259 characters", Utf16(longest), longest},
        {"520 bytes without a terminator", Utf16(longest + L"y", 0), std::nullopt},
        {"more than 520 bytes", Utf16(longest, 2), std::nullopt},
        {"10 zero bytes: an empty path", std::vector<std::uint8_t>(10, 0), L""}};
    for (const auto& c : cases)
        EXPECT_EQ(LogPathFromRegistryValue(c.data), c.expected) << c.name;

    // A chosen path of up to 259 characters is kept. Drive paths get the "\??\" prefix, NT paths stay;
    // 65,534 bytes is the longest object name (65,536 would wrap the 16-bit length to 0).
    const std::size_t longestUnits = kMaxObjectNameBytes / 2;
    EXPECT_EQ(std::tuple(FitLogPath(std::wstring(259, L'a')), FitLogPath(std::wstring(260, L'a')), FitLogPath(L"")),
              std::tuple(std::wstring(259, L'a'), std::nullopt, L""));
    const struct { std::wstring path; std::optional<std::wstring> name; } names[] = {
        {L"", std::nullopt}, {L"C:\\Logs\\x.log", L"\\??\\C:\\Logs\\x.log"}, {L"\\??\\C:\\Logs\\x.log", L"\\??\\C:\\Logs\\x.log"},
        {L"\\Device\\HarddiskVolume2\\x.log", L"\\Device\\HarddiskVolume2\\x.log"},
        {std::wstring(longestUnits - 4, L'a'), L"\\??\\" + std::wstring(longestUnits - 4, L'a')},
        {std::wstring(longestUnits - 3, L'a'), std::nullopt},
        {L"\\" + std::wstring(longestUnits - 1, L'a'), L"\\" + std::wstring(longestUnits - 1, L'a')},
        {L"\\" + std::wstring(longestUnits, L'a'), std::nullopt}};
    for (const auto& c : names)
        EXPECT_EQ(TraceLogObjectName(c.path), c.name) << c.path.size();
}

} // namespace
} // namespace trackkit
