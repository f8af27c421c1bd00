#include "common/file_version.h"
#include "tracking/statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trackkit {
namespace {

// A VS_FIXEDFILEINFO as the version API returns it, little-endian, with
// `bytes` of its 52 bytes kept (more are padded with 0xAA).
std::vector<std::uint8_t> FixedInfo(std::uint32_t signature, std::uint32_t high, std::uint32_t low, std::size_t bytes = 52)
{
    std::vector<std::uint8_t> out;
    for (const std::uint32_t field : {signature, 0x00010000u, high, low, 0x00090008u, 0x00070006u, 0x3Fu, 0u, 0x40004u, 3u, 7u, 0u, 0u})
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(field >> shift));
    out.resize(bytes, 0xAA);
    return out;
}

// The file version, not the product version, shown as major.minor.build; a
// block short of the whole structure or without its signature is refused.
TEST(FileVersionTest, DecodesTheFileVersionOfAWholeSignedBlockOnly)
{
    constexpr std::uint32_t kSignature = 0xFEEF04BD;
    const struct { const char* what; std::vector<std::uint8_t> block; const wchar_t* shown; } cases[] = {
        {"2.3.45.6", FixedInfo(kSignature, 0x00020003, 0x002D0006), L"2.3.45"},
        {"all ones, never negative", FixedInfo(kSignature, 0xFFFFFFFF, 0xFFFFFFFF), L"65535.65535.65535"},
        {"trailing bytes are not read", FixedInfo(kSignature, 0x000A0000, 0x222E0000, 53), L"10.0.8750"},
        {"one byte short", FixedInfo(kSignature, 0x00020003, 0x002D0006, 51), L"Unknown"},
        {"only the version fields", FixedInfo(kSignature, 0x00020003, 0x002D0006, 16), L"Unknown"},
        {"signature off by one", FixedInfo(0xFEEF04BC, 0x00020003, 0x002D0006), L"Unknown"},
        {"signature in the wrong byte order", FixedInfo(0xBD04EFFE, 0x00020003, 0x002D0006), L"Unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDriverVersion(DecodeFixedFileInfo(c.block)), c.shown) << c.what;
    EXPECT_EQ(DecodeFixedFileInfo(FixedInfo(kSignature, 0x00020003, 0x002D0006)), (FileVersion{2, 3, 45, 6}));
}

TEST(FileVersionTest, AppendPathPutsOneBackslashBetween)
{
    EXPECT_EQ(AppendPath(L"C:\\Windows\\system32", L"drivers\\qxcbt.sys"), L"C:\\Windows\\system32\\drivers\\qxcbt.sys");
    EXPECT_EQ(AppendPath(L"C:\\Windows\\system32\\", L"drivers\\qxcbt.sys"), L"C:\\Windows\\system32\\drivers\\qxcbt.sys");
    EXPECT_EQ(AppendPath(L"C:\\Windows\\system32", L"\\drivers\\qxcbt.sys"), L"C:\\Windows\\system32\\drivers\\qxcbt.sys");
    EXPECT_EQ(AppendPath(L"", L"drivers\\qxcbt.sys"), L"drivers\\qxcbt.sys");
    EXPECT_EQ(AppendPath(L"C:\\Windows", L""), L"C:\\Windows");
}

} // namespace
} // namespace trackkit
