// The reader's Windows side for real: the driver's DebugLogPath value in the
// registry, NtOpenFile, the one-piece read and the date and time texts. The
// rules on the value's bytes and the object name are tested natively
// (tests/tracelog/trace_log_path_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tracelog/trace_log_bytes.h"
#include "tracelog/trace_log_path.h"
#include "tracelog/win32/saved_registry_value.h"
#include "tracelog/win32/trace_log_location.h"
#include "tracelog/win32/trace_log_open.h"
#include "tracelog/win32/trace_log_snapshot.h"
#include "tracelog/win32/windows_trace_time_text.h"
#include "win32/temp_folder.h"

namespace trackkit {
namespace {

constexpr DWORD kNameNotFound = 0xC0000034 | 0x10000000;  // an NTSTATUS as an error code
constexpr DWORD kSharingViolation = 0xC0000043 | 0x10000000;

std::string LogText()
{
    const auto bytes = testing::TraceLogBytes({testing::MakeRecord(1, 2, 3)});
    return std::string(bytes.begin(), bytes.end());
}

DWORD OpenError(const std::wstring& path)
{
    SetLastError(0);
    return OpenTraceLog(path).Valid() ? 0 : GetLastError();
}

TEST(OpenTraceLog, OpensDrivePathsAndNtPathsAndReportsFailuresAsCodes)
{
    test::TempFolder folder;
    const std::wstring log = folder.Make(L"qxcbt.log");
    test::WriteFile(log, LogText());

    EXPECT_EQ(OpenError(log), 0u);
    EXPECT_EQ(OpenError(L"\\??\\" + log), 0u);
    EXPECT_EQ(OpenError(L""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(folder.Make(L"missing.log")), kNameNotFound);
    EXPECT_NE(OpenError(folder.Path()), 0u) << "a folder is not a log";
    // The longest name NtOpenFile can take is tried, not refused beforehand.
    EXPECT_NE(OpenError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a')),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(OpenTraceLog, ReadsAFileTheDriverHoldsOpenForWritingButNotOneHeldExclusively)
{
    test::TempFolder folder;
    const std::wstring log = folder.Make(L"qxcbt.log");
    test::WriteFile(log, LogText());
    {
        const UniqueHandle writer(CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.Valid());
        const TraceLogSnapshot snapshot = ReadTraceLogSnapshot(log);
        EXPECT_EQ(snapshot.error, 0u);
        EXPECT_EQ(snapshot.bytes, LogText().size());
        EXPECT_EQ(LocateTraceRecords(snapshot.Bytes()).count, 1u);
    }
    const UniqueHandle exclusive(CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive.Valid());
    EXPECT_EQ(ReadTraceLogSnapshot(log).error, kSharingViolation);
}

std::vector<std::uint8_t> Utf16(const std::wstring& text, std::size_t terminators = 1)
{
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                    reinterpret_cast<const std::uint8_t*>(text.data() + text.size()));
    bytes.insert(bytes.end(), 2 * terminators, 0);
    return bytes;
}

TEST(DebugLogPath, TakesTheValueOfAnyTypeAndNothingTooShortTooLongOrMissing)
{
    const testing::SavedRegistryValue value(HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath),
                                            std::wstring(kDebugLogPathValue));
    const struct {
        DWORD type;
        std::vector<std::uint8_t> bytes;
        std::optional<std::wstring> read;
    } cases[] = {
        {REG_SZ, Utf16(L"C:\\ProgramData\\qxcbt.log"), L"C:\\ProgramData\\qxcbt.log"},
        {REG_BINARY, Utf16(L"\\??\\C:\\x.log"), L"\\??\\C:\\x.log"},
        {REG_SZ, Utf16(L"C:\\x", 0), std::nullopt},  // 8 bytes
        {REG_SZ, Utf16(std::wstring(259, L'a')), std::wstring(259, L'a')},
        {REG_SZ, Utf16(std::wstring(260, L'a')), std::nullopt},  // 522 bytes: more than the buffer
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(value.Set(c.type, c.bytes));
        EXPECT_EQ(ReadDebugLogPath(), c.read) << c.bytes.size() << " bytes";
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath).c_str(),
                       std::wstring(kDebugLogPathValue).c_str());
    EXPECT_EQ(ReadDebugLogPath(), std::nullopt);
}

TEST(WindowsTraceTimeText, FormatsTheStoredTimeWithoutZoneAndRefusesWhatCannotConvert)
{
    WindowsTraceTimeText text;
    wchar_t date[TraceColumnTexts::kDateChars];
    wchar_t time[TraceColumnTexts::kTimeChars];
    // 2024-03-05 13:47:10, however the user's locale writes it.
    ASSERT_TRUE(text.Format(133541200300000000ull, date, time));
    EXPECT_NE(std::wstring(date).find(L"2024"), std::wstring::npos) << date;
    EXPECT_NE(std::wstring(time).find(L"47:10"), std::wstring::npos) << time;
    EXPECT_FALSE(text.Format(1ull << 63, date, time));
}

} // namespace
} // namespace trackkit
