#include "shell/file_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace trackkit {
namespace {

// A VS_FIXEDFILEINFO as the version API returns it, little-endian, with
// `bytes` of its 52 bytes kept (more are padded with 0xAA).
std::vector<std::uint8_t> FixedInfo(std::uint32_t signature, std::uint32_t high, std::uint32_t low, std::size_t bytes = 52)
{
    const std::array<std::uint32_t, 13> fields = {signature, 0x00010000, high, low, 0x00090008, 0x00070006, 0x3F, 0, 0x40004, 3, 7, 0, 0};
    std::vector<std::uint8_t> out;
    for (const std::uint32_t field : fields)
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(field >> shift));
    out.resize(bytes, 0xAA);
    return out;
}

// The file version, not the product version; a block short of the whole
// structure or without its signature is refused.
TEST(FileVersionTest, DecodesTheFileVersionOfAWholeSignedBlockOnly)
{
    constexpr std::uint32_t kSignature = 0xFEEF04BD;
    const struct {
        const char* what;
        std::vector<std::uint8_t> block;
        std::optional<FileVersion> version;
    } cases[] = {
        {"2.3.45.6", FixedInfo(kSignature, 0x00020003, 0x002D0006), FileVersion{2, 3, 45, 6}},
        {"all ones", FixedInfo(kSignature, 0xFFFFFFFF, 0xFFFFFFFF), FileVersion{65535, 65535, 65535, 65535}},
        {"trailing bytes are not read", FixedInfo(kSignature, 0x000A0000, 0x222E0000, 53), FileVersion{10, 0, 8750, 0}},
        {"one byte short", FixedInfo(kSignature, 0x00020003, 0x002D0006, 51), std::nullopt},
        {"only the version fields", FixedInfo(kSignature, 0x00020003, 0x002D0006, 16), std::nullopt},
        {"signature off by one", FixedInfo(0xFEEF04BC, 0x00020003, 0x002D0006), std::nullopt},
        {"signature in the wrong byte order", FixedInfo(0xBD04EFFE, 0x00020003, 0x002D0006), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeFixedFileInfo(c.block), c.version) << c.what;
}

TEST(FileVersionTest, DriverVersionShowsMajorMinorBuildOrUnknown)
{
    EXPECT_EQ(FormatDriverVersion(FileVersion{2, 3, 45, 6}), L"2.3.45");
    EXPECT_EQ(FormatDriverVersion(FileVersion{65535, 65535, 65535, 65535}), L"65535.65535.65535") << "never negative";
    EXPECT_EQ(FormatDriverVersion(std::nullopt), L"Unknown");
}

TEST(FileVersionTest, AppendPathPutsOneBackslashBetween)
{
    const struct {
        const wchar_t* folder;
        const wchar_t* relative;
        const wchar_t* joined;
    } cases[] = {
        {L"C:\\Windows\\system32", L"drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"C:\\Windows\\system32\\", L"drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"C:\\Windows\\system32", L"\\drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"", L"drivers\\qxcbt.sys", L"drivers\\qxcbt.sys"},
        {L"C:\\Windows", L"", L"C:\\Windows"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppendPath(c.folder, c.relative), c.joined);
}

} // namespace
} // namespace trackkit
