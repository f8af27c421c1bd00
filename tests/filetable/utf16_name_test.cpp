// Names as NTFS stores them (UTF-16 code units) as wide strings. The
// ordinary names are proven on the real image; here, the odd units.

#include <gtest/gtest.h>

#include <vector>

#include "filetable/utf16_name.h"

namespace trackkit::ntfs {
namespace {

TEST(FileTableUtf16Name, KeepsLoneSurrogatesAsTheyAre)
{
    struct Case {
        const char* units;
        std::vector<std::uint8_t> bytes;
        std::wstring expected;
    };
    const std::vector<Case> cases{
        {"a high surrogate before a letter", {0x3C, 0xD8, 'a', 0}, {wchar_t(0xD83C), L'a'}},
        {"a high surrogate at the end", {'a', 0, 0x3C, 0xD8}, {L'a', wchar_t(0xD83C)}},
        {"a low surrogate first", {0x89, 0xDF, 'a', 0}, {wchar_t(0xDF89), L'a'}},
        {"an odd byte at the end", {'a', 0, 'b'}, L"a"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(WideFromUtf16(test.bytes), test.expected) << test.units;
}

} // namespace
} // namespace trackkit::ntfs
