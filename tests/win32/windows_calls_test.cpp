// The Windows calls of the shell and of the tracking side, made for real; the
// rules on top of them are tested natively (tests/settings, tests/tracking).
#include <windows.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "fake_theme/theme_call_record.h"
#include "common/win32/file_version_reader.h"
#include "tracking/win32/driver_version.h"
#include "settings/win32/registry_reader.h"
#include "settings/win32/registry_store.h"
#include "settings/win32/theme_library.h"
#include "temp_folder.h"
#include "tracking/win32/debug_log.h"
#include "tracking/win32/device_io_driver.h"
#include "common/win32/locale_text.h"

namespace trackkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Dword(DWORD v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegCreateKeyW(HKEY_CURRENT_USER, path_.c_str(), &key_); }
    void TearDown() override
    {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quillon\\ZezudoZozorTest");  // once no other run's key is left
    }
    void Store(const wchar_t* subKey, const wchar_t* name, DWORD type, const Bytes& bytes)
    {
        ASSERT_EQ(RegSetKeyValueW(key_, subKey, name, type, bytes.data(), static_cast<DWORD>(bytes.size())), 0);
    }
    std::optional<DWORD> StoredDword(const wchar_t* name)  // a REG_DWORD value only
    {
        DWORD value = 0, size = 4;
        return RegGetValueW(key_, L"Store", name, RRF_RT_REG_DWORD, nullptr, &value, &size) ? std::nullopt : std::optional(value);
    }

    const std::wstring path_ = L"Software\\Quillon\\ZezudoZozorTest\\" + std::to_wstring(GetCurrentProcessId());
    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, TheStoreCreatesItsKeyWritesDwordsOverAnyValueNothingWhileClosedAndReadsEveryType)
{
    RegistryStore store(path_ + L"\\Store\\");  // the settings path ends in a backslash
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 4));
    ASSERT_TRUE(store.OpenOrCreate());
    Store(L"Store", L"BlockSize", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(store.WriteDword(L"BlockSize", 8) && store.WriteDword(L"WindowLeft", 0x80000000u));
    EXPECT_EQ(std::pair(StoredDword(L"BlockSize"), StoredDword(L"WindowLeft")),
              std::pair(std::optional(8ul), std::optional(0x80000000ul)));
    store.Close();
    EXPECT_FALSE(store.ReadBytes(L"BlockSize") || store.WriteDword(L"BlockSize", 2));
    EXPECT_EQ(StoredDword(L"BlockSize"), 8u) << "what was written before closing stays";
    EXPECT_FALSE(RegistryStore(path_ + L"\\" + std::wstring(300, L'k')).OpenOrCreate()) << "names over 255";

    // Values of every type are read: by the store as raw bytes, by the shared settings reader up to four, zero-extended.
    const struct { const wchar_t* name; DWORD type; Bytes bytes; std::optional<std::uint32_t> dword; } cases[] = {
        {L"Dword", REG_DWORD, Dword(0x12345678), 0x12345678u}, {L"TwoBytes", REG_BINARY, {0x20, 0x03}, 0x0320u},
        {L"Empty", REG_BINARY, {}, 0u}, {L"Text", REG_SZ, {'0', 0, 0, 0}, 0x30u},
        {L"FiveBytes", REG_BINARY, {1, 2, 3, 4, 5}, std::nullopt},
        {L"Qword", REG_QWORD, {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}, std::nullopt},
        {L"Large", REG_BINARY, Bytes(70000, 0xA5), std::nullopt}};
    const WindowsRegistryReader reader(key_);
    ASSERT_TRUE(store.OpenOrCreate());
    for (const auto& c : cases) {
        Store(L"Store", c.name, c.type, c.bytes);
        EXPECT_EQ(store.ReadBytes(c.name), std::optional<Bytes>(c.bytes)) << c.name;
        EXPECT_EQ(reader.ReadDword(L"Store", c.name), c.dword) << c.name;
    }
    EXPECT_FALSE(store.ReadBytes(L"Missing") || reader.ReadDword(L"Store", L"Missing"));
    EXPECT_FALSE(reader.ReadDword(L"", L"Dword")) << "another key";
}

// The test key stands in for the current user's: the query reads the program's very paths. Which values
// are read, and in which order, is tested natively.
TEST_F(RegistryTest, DarkModeReadsTheCurrentUsersSettingsAfreshAndCreatesNoKey)
{
    const wchar_t* personalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    RegOverridePredefKey(HKEY_CURRENT_USER, key_);
    EXPECT_FALSE(QueryDarkMode());
    EXPECT_EQ(RegDeleteKeyW(key_, L"Software\\Quillon\\Common"), ERROR_FILE_NOT_FOUND) << "the query created the key";
    Store(L"Software\\Quillon\\Common", L"DarkModeEx", REG_BINARY, {0x04});  // "follow Windows", whose value is missing
    EXPECT_TRUE(QueryDarkMode());
    EXPECT_EQ(RegDeleteKeyW(key_, personalize), ERROR_FILE_NOT_FOUND) << "the query created the key";
    Store(personalize, L"AppsUseLightTheme", REG_DWORD, Dword(1));
    EXPECT_FALSE(QueryDarkMode());
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
}

// The driver version row reads drivers\qxcbt.sys below the system directory.
TEST(DriverVersion, ReadsTheDriverFileInTheSystemDirectoryOnlyAndUnknownWhenMissingOrDamaged)
{
    const test::TempFolder system;  // stands in for the system directory
    EXPECT_EQ(DriverVersionText(system.Path()), L"Unknown") << "not even a drivers folder";
    const std::wstring driver = system.Make(L"drivers\\qxcbt.sys"), folder = test::TestProgramFolder();
    for (const std::string& damaged : {std::string(), std::string("not a driver"), std::string("MZ\x90\0\x03\0\0\0", 8)}) {
        test::WriteFile(driver, damaged);
        EXPECT_FALSE(ReadFileVersion(driver).has_value()) << damaged;
    }
    ASSERT_TRUE(CopyFileW((folder + L"theme_with_ordinals\\OrvexTheme.dll").c_str(), driver.c_str(), FALSE));
    EXPECT_FALSE(ReadFileVersion(driver).has_value()) << "a module without a version resource";
    // The demonstration's driver file (version 2.3.45.6), copied beside the test program by the build.
    ASSERT_TRUE(CopyFileW((folder + L"qxcbt.sys").c_str(), driver.c_str(), FALSE));
    EXPECT_EQ(DriverVersionText(system.Path()), L"2.3.45");
    const test::InCurrentDirectory current(system.Path());
    EXPECT_EQ(DriverVersionText(L""), L"Unknown") << "never the current directory";
    EXPECT_TRUE(std::filesystem::is_directory(SystemDirectory()));
}

// The stand-ins for OrvexTheme.dll (fake_theme/) record every call; one exports its entries at
// ordinals 1 and 8, the other at others (1 lies below its export table, 8 is an empty slot in it).
TEST(ThemeLibrary, OrdinalOneGetsZeroAndOrdinalEightTheFrameMessageExactlyAndNothingElseIsCalled)
{
    const test::TempFolder folder;
    const std::wstring library = folder.Path() + L"\\OrvexTheme.dll";
    const auto window = reinterpret_cast<HWND>(0x7FFF00010A2Cll);  // full 64-bit values catch any narrowing
    const auto wParam = WPARAM{0xFEDCBA9876543210ull};
    const auto lParam = static_cast<LPARAM>(0x8123456789ABCDEFull);
    const struct { const wchar_t* variant; ThemeCallRecord expected; } cases[] = {
        {L"theme_with_ordinals", {1, 0, 1, window, WM_CREATE, wParam, lParam}}, {L"theme_without_ordinals", {}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(CopyFileW((test::TestProgramFolder() + c.variant + L"\\OrvexTheme.dll").c_str(), library.c_str(), 0));
        {
            ThemeLibrary theme(folder.Path() + L"\\");
            HMODULE loaded = GetModuleHandleW(library.c_str());
            ASSERT_TRUE(loaded != nullptr && theme.IsLoaded()) << "loaded from the given folder";
            const ThemeCallRecord& calls = *reinterpret_cast<RecordedThemeCallsFunction>(
                reinterpret_cast<void (*)()>(GetProcAddress(loaded, "RecordedThemeCalls")))();
            EXPECT_EQ(calls, ThemeCallRecord{}) << "loading alone calls nothing";
            theme.OnStart();
            theme.OnFrameCreate(window, WM_CREATE, wParam, lParam);
            EXPECT_EQ(calls, c.expected);
        }
        EXPECT_EQ(GetModuleHandleW(library.c_str()), nullptr) << "freed with the object";
    }
}

// Only a full folder path is looked in, never the current directory.
TEST(ThemeLibrary, WithoutAUsableLibraryInTheNamedFolderBothCallsDoNothing)
{
    const test::TempFolder folder;
    const test::InCurrentDirectory current(test::TestProgramFolder() + L"theme_with_ordinals");
    const struct { std::wstring folder; std::string content; } cases[] = {  // written as its library unless empty
        {folder.Path(), ""}, {L"", ""}, {L".", ""}, {L"C:", ""}, {folder.Path(), "This is not a library."},
        {folder.Path(), std::string("MZ\x90\0\x03\0\0\0", 8)}};
    for (const auto& c : cases) {
        if (!c.content.empty())
            test::WriteFile(folder.Path() + L"\\OrvexTheme.dll", c.content);
        ThemeLibrary theme(c.folder);
        EXPECT_FALSE(theme.IsLoaded()) << std::string(c.folder.begin(), c.folder.end()) << c.content;
        theme.OnStart();
        theme.OnFrameCreate(nullptr, WM_CREATE, 0, 0);
    }
    EXPECT_EQ(GetModuleHandleW(L"OrvexTheme.dll"), nullptr);
    // The test program's folder holds none: the stand-ins sit in sub-folders.
    EXPECT_EQ(ProgramFolder(), test::TestProgramFolder());
    const ThemeLibrary besideTheProgram(ProgramFolder());
    EXPECT_FALSE(besideTheProgram.IsLoaded());
    besideTheProgram.OnStart();
}

// OutputDebugStringW raises an exception carrying the text (wide on recent Windows, 8-bit on
// older ones and under Wine); a vectored handler sees it as a debugger would.
std::vector<std::wstring> g_seen[2];  // the 8-bit texts, the wide texts

TEST(WindowsDebugLog, EachWriteReachesTheDebuggerAsOneLineOfTheViewedCharacters)
{
    PVOID handler = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* pointers) -> LONG {
        const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
        const bool wide = record.ExceptionCode == 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C, else DBG_PRINTEXCEPTION_C
        if ((!wide && record.ExceptionCode != 0x40010006) || record.NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        const std::size_t length = record.ExceptionInformation[0] - 1;  // given with the terminator
        g_seen[wide].push_back(wide ? std::wstring(reinterpret_cast<const wchar_t*>(text), length)
                                    : std::wstring(text, text + length));
        return EXCEPTION_CONTINUE_EXECUTION;
    });
    WindowsDebugLog log;
    log.Write(L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n");
    log.Write(std::wstring_view(L"*** first line\nsecond line\n").substr(0, 15));
    RemoveVectoredExceptionHandler(handler);

    // When the wide text was taken, the 8-bit one may not follow.
    const std::vector<std::wstring> expected{L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n", L"*** first line\n"};
    EXPECT_EQ(g_seen[1].empty() ? g_seen[0] : g_seen[1], expected);
    EXPECT_TRUE(g_seen[0].empty() || g_seen[0] == expected);
}

// The locale is pinned (CMakeLists.txt); in any time zone the time keeps its year and seconds. Counts are
// grouped as the locale groups them.
TEST(WindowsLocaleText, DatesTimesAndSizesPast32BitsAndNothingForTimesOutOfRange)
{
    WindowsLocaleText locale;
    EXPECT_EQ((std::vector{locale.Count(0), locale.Count(999), locale.Count(1224940), locale.Count(18446744073709551615ull)}),
              (std::vector<std::wstring>{L"0", L"999", L"1,224,940", L"18,446,744,073,709,551,615"}));
    const std::uint64_t fileTime = 137919896990000000ull;  // 2038-01-19 12:14:59 UTC
    EXPECT_NE(locale.LocalShortDate(fileTime).value_or(L"").find(L"2038"), std::wstring::npos);
    const std::wstring time = locale.LocalTime(fileTime).value_or(L"2038");
    EXPECT_TRUE(time.find(L"2038") == std::wstring::npos && time.find(L"59") != std::wstring::npos) << time;
    EXPECT_NE(locale.ByteSize(5497558138880).find(L"5.00 TB"), std::wstring::npos);
    for (const std::uint64_t outOfRange : {0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull})
        EXPECT_FALSE(locale.LocalShortDate(outOfRange) || locale.LocalTime(outOfRange)) << outOfRange;
}

// Without the tracking driver every request fails (Wine: error 50, ERROR_NOT_SUPPORTED). A plain
// file stands in for a volume, so that Windows' sharing rules show how it is opened and closed.
TEST(DeviceIoDriver, VolumesOpenSharedForReadingAndWritingAndNoTrackingDriverAnswers)
{
    DeviceIoDriver driver;
    const OpenVolumeResult missing = driver.OpenVolume(L"\\\\.\\Q:");
    EXPECT_TRUE(missing.volume == nullptr && missing.error != 0) << missing.error;
    OpenVolumeResult opened = driver.OpenVolume(L"\\\\.\\C:");
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    std::uint8_t out[136] = {};
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    for (const DriverReply& reply :
         {opened.volume->QueryGeometry(std::span(out).first(56)), opened.volume->QueryStatistics(out),
          opened.volume->QuerySessionBitmap(std::span(out).first(16)), opened.volume->RequestRemoval()}) {
        EXPECT_FALSE(reply.succeeded || reply.bytesReturned != 0);
        EXPECT_TRUE(wine ? reply.error == 50 : reply.error != 0) << reply.error;
    }

    const test::TempFolder folder;
    const std::wstring path = folder.Make(L"volume");
    test::WriteFile(path, "x");
    const auto openOther = [&](DWORD access, DWORD share) -> DWORD {
        HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
        return handle == INVALID_HANDLE_VALUE ? GetLastError() : (CloseHandle(handle), 0);
    };
    opened = driver.OpenVolume(path);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;
    EXPECT_EQ(openOther(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), 0u);
    // Nobody can deny writing to it, since it writes; nor reading, since it reads.
    EXPECT_EQ(openOther(GENERIC_READ, FILE_SHARE_READ), DWORD{ERROR_SHARING_VIOLATION});
    EXPECT_EQ(openOther(GENERIC_WRITE, FILE_SHARE_WRITE), DWORD{ERROR_SHARING_VIOLATION});
    opened.volume.reset();
    EXPECT_EQ(openOther(GENERIC_READ, 0), 0u);
}

// A volume's raw bytes come back whatever the offset, length and memory, up
// to its last byte (it ends on a sector, not on a whole page).
TEST(DeviceIoDriver, ReadsAVolumesBytesAtAnyOffsetAndLengthUpToItsEnd)
{
    const test::TempFolder folder;
    const std::wstring path = folder.Make(L"volume");
    std::string content(3 * 4096 + 512, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + i / 251);
    test::WriteFile(path, content);
    DeviceIoDriver driver;
    const OpenVolumeResult opened = driver.OpenVolume(path);
    ASSERT_NE(opened.volume, nullptr) << "error " << opened.error;

    struct Read {
        std::uint64_t offset;
        std::size_t length;
        std::size_t intoOffset;  // the memory's misalignment
    };
    for (const Read r : {Read{0, 4096, 0}, Read{0, 512, 1}, Read{1000, 24, 0}, Read{4000, 5000, 3},
                         Read{12288, 512, 0}, Read{12700, 100, 0}, Read{1, 12799, 5}}) {
        std::vector<std::uint8_t> memory(r.length + r.intoOffset);
        const std::span<std::uint8_t> into = std::span(memory).subspan(r.intoOffset);
        ASSERT_EQ(opened.volume->ReadBytes(r.offset, into), 0u) << r.offset << "+" << r.length;
        EXPECT_TRUE(std::equal(into.begin(), into.end(), content.begin() + static_cast<std::ptrdiff_t>(r.offset),
                               [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
            << r.offset << "+" << r.length;
    }
    std::uint8_t past[600] = {};
    EXPECT_NE(opened.volume->ReadBytes(12800 - 100, past), 0u);
    EXPECT_NE(opened.volume->ReadBytes(16384, std::span(past).first(512)), 0u);
}

} // namespace
} // namespace trackkit
