#include "shell/file_version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace trackkit {
namespace {

// A VS_FIXEDFILEINFO as the version API returns it, little-endian.
std::vector<std::uint8_t> FixedInfo(std::uint32_t signature, std::uint32_t versionHigh, std::uint32_t versionLow)
{
    const std::array<std::uint32_t, 13> fields = {signature, 0x00010000, versionHigh, versionLow,
                                                  0x00090008, 0x00070006, 0x3F, 0, 0x40004, 3, 7, 0, 0};
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t field : fields)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(field >> shift));
    return bytes;
}

constexpr std::uint32_t kSignature = 0xFEEF04BD;

TEST(FileVersionTest, DecodesTheFileVersionNotTheProductVersion)
{
    struct Case {
        std::uint32_t high;
        std::uint32_t low;
        FileVersion expected;
    };
    const Case cases[] = {
        {0x00020003, 0x002D0006, {2, 3, 45, 6}},
        {0x000A0000, 0x222E0000, {10, 0, 8750, 0}},
        {0xFFFFFFFF, 0xFFFFFFFF, {65535, 65535, 65535, 65535}},
        {0, 0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeFixedFileInfo(FixedInfo(kSignature, c.high, c.low)), c.expected) << std::hex << c.high;
}

TEST(FileVersionTest, RejectsABlockThatIsShortOrNotAFixedFileInfo)
{
    auto exact = FixedInfo(kSignature, 0x00020003, 0x002D0006);
    EXPECT_TRUE(DecodeFixedFileInfo(exact).has_value()) << "exactly 52 bytes";

    auto longer = exact;
    longer.push_back(0xAA);
    EXPECT_TRUE(DecodeFixedFileInfo(longer).has_value()) << "trailing bytes are not read";

    auto oneShort = exact;
    oneShort.pop_back();
    EXPECT_FALSE(DecodeFixedFileInfo(oneShort).has_value());
    // Long enough for the version fields, short of the whole structure.
    EXPECT_FALSE(DecodeFixedFileInfo(std::span(exact).first(16)).has_value());
    EXPECT_FALSE(DecodeFixedFileInfo({}).has_value());

    EXPECT_FALSE(DecodeFixedFileInfo(FixedInfo(0xFEEF04BC, 0x00020003, 0x002D0006)).has_value());
    EXPECT_FALSE(DecodeFixedFileInfo(FixedInfo(0xBD04EFFE, 0x00020003, 0x002D0006)).has_value())
        << "the signature in the wrong byte order";
}

TEST(FileVersionTest, DriverVersionShowsMajorMinorBuildOrUnknown)
{
    struct Case {
        std::optional<FileVersion> version;
        const wchar_t* text;
    };
    const Case cases[] = {
        {FileVersion{2, 3, 45, 6}, L"2.3.45"},
        {FileVersion{10, 0, 8750, 0}, L"10.0.8750"},
        {FileVersion{0, 0, 0, 0}, L"0.0.0"},
        {FileVersion{65535, 65535, 65535, 65535}, L"65535.65535.65535"},  // words, never negative
        {std::nullopt, L"Unknown"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDriverVersion(c.version), c.text);
}

TEST(FileVersionTest, AppendPathPutsOneBackslashBetween)
{
    struct Case {
        const wchar_t* folder;
        const wchar_t* relative;
        const wchar_t* joined;
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32", L"drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"C:\\Windows\\system32\\", L"drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"C:\\Windows\\system32", L"\\drivers\\qxcbt.sys", L"C:\\Windows\\system32\\drivers\\qxcbt.sys"},
        {L"C:\\", L"drivers\\qxcbt.sys", L"C:\\drivers\\qxcbt.sys"},
        {L"", L"drivers\\qxcbt.sys", L"drivers\\qxcbt.sys"},
        {L"C:\\Windows", L"", L"C:\\Windows"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppendPath(c.folder, c.relative), c.joined);
}

} // namespace
} // namespace trackkit
