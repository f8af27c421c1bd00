// What reaches a debugger. OutputDebugStringW raises a debug-print exception
// that carries the text (the wide text on recent Windows, the 8-bit text on
// older ones and under Wine); a vectored handler sees it as a debugger would.
#include "tracking/win32/debug_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trackkit {
namespace {

constexpr DWORD kPrintException = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintExceptionWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

std::vector<std::string> g_narrow;
std::vector<std::wstring> g_wide;

LONG CALLBACK CatchDebugPrint(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: length in characters, terminator included; the text.
    const auto length = static_cast<std::size_t>(record.ExceptionInformation[0]);
    if (record.ExceptionCode == kPrintException) {
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        g_narrow.emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record.ExceptionCode == kPrintExceptionWide) {
        const auto* text = reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]);
        g_wide.emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

class WindowsDebugLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_narrow.clear();
        g_wide.clear();
        handler_ = AddVectoredExceptionHandler(1, CatchDebugPrint);
        ASSERT_NE(handler_, nullptr);
    }
    void TearDown() override { RemoveVectoredExceptionHandler(handler_); }

    // Every form of the text that reached the debugger, one entry per line
    // written. When the wide text was taken, the 8-bit one may not follow.
    static void ExpectLines(const std::vector<std::string>& lines)
    {
        if (g_wide.empty()) {
            EXPECT_EQ(g_narrow, lines);
            return;
        }
        std::vector<std::wstring> wide;
        for (const auto& line : lines)
            wide.emplace_back(line.begin(), line.end());
        EXPECT_EQ(g_wide, wide);
        if (!g_narrow.empty()) {
            EXPECT_EQ(g_narrow, lines);
        }
    }

    PVOID handler_ = nullptr;
};

TEST_F(WindowsDebugLogTest, EachWriteReachesTheDebuggerAsOneLine)
{
    WindowsDebugLog log;
    log.Write(L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n");
    log.Write(L"IOCTL_QXCBT_QUERY_SESSION_BITMAP failed!\n");

    ExpectLines({"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n", "IOCTL_QXCBT_QUERY_SESSION_BITMAP failed!\n"});
}

TEST_F(WindowsDebugLogTest, OnlyTheViewedCharactersAreWritten)
{
    const std::wstring_view text = L"*** first line\nsecond line\n";
    WindowsDebugLog log;
    log.Write(text.substr(0, 15));

    ExpectLines({"*** first line\n"});
}

} // namespace
} // namespace trackkit
