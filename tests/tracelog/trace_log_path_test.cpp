#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tracelog/trace_log_path.h"

namespace trackkit {
namespace {

// UTF-16 little-endian bytes of text, then `terminators` zero units.
std::vector<std::uint8_t> Utf16(const std::wstring& text, std::size_t terminators = 1)
{
    std::vector<std::uint8_t> bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.insert(bytes.end(), 2 * terminators, 0);
    return bytes;
}

TEST(DebugLogPathValue, UsableOnlyAboveEightBytesUpTo520AndWhenTerminated)
{
    const std::wstring longest(259, L'x');
    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
        std::optional<std::wstring> expected;
    } cases[] = {
        {"8 bytes, four characters unterminated", Utf16(L"C:\\x", 0), std::nullopt},
        {"10 bytes", Utf16(L"C:\\x"), L"C:\\x"},
        {"9 bytes: the odd byte is a low half", {'C', 0, ':', 0, '\\', 0, 'x', 0, 'y'}, L"C:\\xy"},
        {"text ends early inside a longer value", Utf16(L"C:\\log", 20), L"C:\\log"},
        {"520 bytes, 259 characters", Utf16(longest), longest},
        {"520 bytes without a terminator", Utf16(longest + L"y", 0), std::nullopt},
        {"more than 520 bytes", Utf16(longest, 2), std::nullopt},
        {"10 zero bytes: an empty path", std::vector<std::uint8_t>(10, 0), L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogPathFromRegistryValue(c.data), c.expected) << c.name;
}

TEST(ChosenLogPath, UpTo259CharactersIsKeptLongerIsRejected)
{
    EXPECT_EQ(FitLogPath(std::wstring(259, L'a')), std::wstring(259, L'a'));
    EXPECT_EQ(FitLogPath(std::wstring(260, L'a')), std::nullopt);
    EXPECT_EQ(FitLogPath(L""), L"");
}

TEST(TraceLogObjectName, DrivePathsGetThePrefixNtPathsStayAndTheNameFitsItsLengthField)
{
    EXPECT_EQ(TraceLogObjectName(L""), std::nullopt);
    EXPECT_EQ(TraceLogObjectName(L"C:\\Logs\\x.log"), L"\\??\\C:\\Logs\\x.log");
    EXPECT_EQ(TraceLogObjectName(L"\\??\\C:\\Logs\\x.log"), L"\\??\\C:\\Logs\\x.log");
    EXPECT_EQ(TraceLogObjectName(L"\\Device\\HarddiskVolume2\\x.log"), L"\\Device\\HarddiskVolume2\\x.log");

    // 65,534 bytes is the longest name; 65,536 would wrap the 16-bit length to 0.
    const std::size_t longestUnits = kMaxObjectNameBytes / 2;
    EXPECT_TRUE(TraceLogObjectName(std::wstring(longestUnits - 4, L'a')).has_value());
    EXPECT_FALSE(TraceLogObjectName(std::wstring(longestUnits - 3, L'a')).has_value());
    EXPECT_TRUE(TraceLogObjectName(L"\\" + std::wstring(longestUnits - 1, L'a')).has_value());
    EXPECT_FALSE(TraceLogObjectName(L"\\" + std::wstring(longestUnits, L'a')).has_value());
}

} // namespace
} // namespace trackkit
