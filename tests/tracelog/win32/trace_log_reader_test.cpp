// The reader's Windows side for real: the registry value, NtOpenFile, the
// one-piece read and the locale's date and time texts.
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

using testing::SavedRegistryValue;
using test::TempFolder;

constexpr DWORD kNameNotFound = 0xC0000034 | 0x10000000;
constexpr DWORD kSharingViolation = 0xC0000043 | 0x10000000;

std::string LogText()
{
    const auto bytes = testing::TraceLogBytes({testing::MakeRecord(1, 2, 3)});
    return std::string(bytes.begin(), bytes.end());
}

DWORD OpenError(const std::wstring& path)
{
    SetLastError(0);
    const UniqueHandle file = OpenTraceLog(path);
    return file.Valid() ? 0 : GetLastError();
}

TEST(OpenTraceLog, OpensDrivePathsAndNtPathsAndReportsFailuresAsCodes)
{
    TempFolder folder;
    const std::wstring log = folder.Make(L"qxcbt.log");
    test::WriteFile(log, LogText());

    EXPECT_EQ(OpenError(log), 0u);
    EXPECT_EQ(OpenError(L"\\??\\" + log), 0u);
    EXPECT_EQ(OpenError(L""), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenError(folder.Make(L"missing.log")), kNameNotFound);
    // The object name's length is 16 bits: longer names are refused before
    // they could wrap around.
    EXPECT_EQ(OpenError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2, L'a')),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_NE(OpenError(L"C:\\" + std::wstring(kMaxObjectNameBytes / 2 - 7, L'a')),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // A folder is not a log.
    EXPECT_NE(OpenError(folder.Path()), 0u);
}

TEST(OpenTraceLog, ReadsAFileTheDriverHoldsOpenForWritingButNotOneHeldExclusively)
{
    TempFolder folder;
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

class DebugLogPath : public ::testing::Test {
protected:
    std::optional<std::wstring> ReadAfterSetting(DWORD type, const std::vector<std::uint8_t>& data)
    {
        EXPECT_TRUE(value_.Set(type, data));
        return ReadDebugLogPath();
    }

    SavedRegistryValue value_{HKEY_LOCAL_MACHINE, std::wstring(kServiceKeyPath),
                              std::wstring(kDebugLogPathValue)};
};

std::vector<std::uint8_t> Utf16(const std::wstring& text, std::size_t extraUnits = 1)
{
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                    reinterpret_cast<const std::uint8_t*>(text.data() + text.size()));
    bytes.insert(bytes.end(), 2 * extraUnits, 0);
    return bytes;
}

TEST_F(DebugLogPath, TakesAnyTypeAboveEightBytesAndNothingTooShortTooLongOrMissing)
{
    EXPECT_TRUE(value_.SetText(L"C:\\ProgramData\\qxcbt.log"));
    EXPECT_EQ(ReadDebugLogPath(), L"C:\\ProgramData\\qxcbt.log");
    EXPECT_EQ(ReadAfterSetting(REG_BINARY, Utf16(L"\\??\\C:\\x.log")), L"\\??\\C:\\x.log");
    EXPECT_EQ(ReadAfterSetting(REG_SZ, Utf16(L"C:\\x", 0)), std::nullopt);  // 8 bytes
    EXPECT_EQ(ReadAfterSetting(REG_SZ, Utf16(std::wstring(259, L'a'))), std::wstring(259, L'a'));
    EXPECT_EQ(ReadAfterSetting(REG_SZ, Utf16(std::wstring(260, L'a'))), std::nullopt);  // 522 bytes
    EXPECT_EQ(ReadAfterSetting(REG_BINARY, Utf16(std::wstring(260, L'a'), 0)), std::nullopt);  // unterminated

    HKEY key = nullptr;
    const std::wstring keyPath(kServiceKeyPath);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegDeleteValueW(key, std::wstring(kDebugLogPathValue).c_str());
    RegCloseKey(key);
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
