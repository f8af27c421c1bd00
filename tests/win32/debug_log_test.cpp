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

std::vector<std::wstring> g_narrow;
std::vector<std::wstring> g_wide;

LONG CALLBACK CatchDebugPrint(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    const bool wide = record.ExceptionCode == 0x4001000A;                   // DBG_PRINTEXCEPTION_WIDE_C
    if ((!wide && record.ExceptionCode != 0x40010006) || record.NumberParameters < 2)  // DBG_PRINTEXCEPTION_C
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: the length in characters, terminator included; the text.
    const auto length = static_cast<std::size_t>(record.ExceptionInformation[0]) - 1;
    if (wide) {
        g_wide.emplace_back(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]), length);
    } else {
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        g_narrow.emplace_back(text, text + length);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(WindowsDebugLog, EachWriteReachesTheDebuggerAsOneLineOfTheViewedCharacters)
{
    PVOID handler = AddVectoredExceptionHandler(1, CatchDebugPrint);
    ASSERT_NE(handler, nullptr);
    WindowsDebugLog log;
    log.Write(L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n");
    const std::wstring_view text = L"*** first line\nsecond line\n";
    log.Write(text.substr(0, 15));
    RemoveVectoredExceptionHandler(handler);

    // When the wide text was taken, the 8-bit one may not follow.
    const std::vector<std::wstring> expected{L"IOCTL_QXCBT_QUERY_TRACKING_INFO failed!\n", L"*** first line\n"};
    EXPECT_EQ(g_wide.empty() ? g_narrow : g_wide, expected);
    if (!g_wide.empty() && !g_narrow.empty()) {
        EXPECT_EQ(g_narrow, expected);
    }
}

} // namespace
} // namespace trackkit
