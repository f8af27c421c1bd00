// The driver version row reads drivers\qxcbt.sys below the system directory
// through Windows' version API; decoding and the row's text are tested
// natively (tests/shell/file_version_test.cpp).
#include "shell/win32/driver_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "temp_folder.h"

namespace trackkit {
namespace {

class DriverVersionTest : public ::testing::Test {
protected:
    std::wstring Driver() const { return system_.Make(L"drivers\\qxcbt.sys"); }

    test::TempFolder system_;  // stands in for the system directory
};

TEST_F(DriverVersionTest, ShowsTheVersionOfTheDriverFileButNeverOneInTheCurrentDirectory)
{
    // The demonstration's driver file (version 2.3.45.6), copied beside the test program by the build.
    ASSERT_TRUE(test::CopyInto(test::TestProgramFolder() + L"qxcbt.sys", Driver()));
    EXPECT_EQ(ReadFileVersion(Driver()), (FileVersion{2, 3, 45, 6}));
    EXPECT_EQ(DriverVersionText(system_.Path() + L"\\"), L"2.3.45");

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(system_.Path().c_str()));
    EXPECT_EQ(DriverVersionText(L""), L"Unknown");
    SetCurrentDirectoryW(previous);

    const DWORD attributes = GetFileAttributesW(SystemDirectory().c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(DriverVersionTest, AMissingOrDamagedDriverFileReadsUnknown)
{
    EXPECT_EQ(DriverVersionText(system_.Path()), L"Unknown");  // not even a drivers folder

    const struct {
        const char* name;
        std::string content;
    } files[] = {
        {"an empty file", ""},
        {"a text file", "not a driver"},
        {"a module header alone", std::string("MZ\x90\0\x03\0\0\0", 8)},
    };
    for (const auto& file : files) {
        test::WriteFile(Driver(), file.content);
        EXPECT_FALSE(ReadFileVersion(Driver()).has_value()) << file.name;
        EXPECT_EQ(DriverVersionText(system_.Path()), L"Unknown") << file.name;
    }
    // A module without a version resource.
    ASSERT_TRUE(test::CopyInto(test::TestProgramFolder() + L"theme_with_ordinals\\OrvexTheme.dll", Driver()));
    EXPECT_FALSE(ReadFileVersion(Driver()).has_value());
}

} // namespace
} // namespace trackkit
