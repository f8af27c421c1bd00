#include "shell/win32/driver_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "temp_folder.h"

namespace trackkit {
namespace {

using test::CopyInto;
using test::TempFolder;
using test::TestProgramFolder;
using test::WriteFile;

// The demonstration's stand-in driver file (version 2.3.45.6), copied beside
// the test program by the build.
std::wstring DemoDriverFile() { return TestProgramFolder() + L"qxcbt.sys"; }

// A module without a version resource.
std::wstring ModuleWithoutVersion() { return TestProgramFolder() + L"theme_with_ordinals\\OrvexTheme.dll"; }

class DriverVersionTest : public ::testing::Test {
protected:
    // Where DriverVersionText looks below the temporary "system directory".
    std::wstring DriverPath() const { return system_.Make(L"drivers\\qxcbt.sys"); }

    TempFolder system_;
};

TEST_F(DriverVersionTest, ShowsMajorMinorAndBuildOfTheDriverFile)
{
    ASSERT_TRUE(CopyInto(DemoDriverFile(), DriverPath()));

    EXPECT_EQ(DriverVersionText(system_.Path()), L"2.3.45");
    EXPECT_EQ(DriverVersionText(system_.Path() + L"\\"), L"2.3.45");
    EXPECT_EQ(ReadFileVersion(DriverPath()), (FileVersion{2, 3, 45, 6}));
}

TEST_F(DriverVersionTest, AnyFailureReadsUnknown)
{
    enum class Driver { NoFolder, NoFile, Copied, Written };
    struct Case {
        const char* name;
        Driver driver;
        std::wstring source;  // Copied: the file copied in
        std::string content;  // Written: the file's bytes
    };
    const Case cases[] = {
        {"no drivers folder", Driver::NoFolder, L"", ""},
        {"no driver file", Driver::NoFile, L"", ""},
        {"a module without a version resource", Driver::Copied, ModuleWithoutVersion(), ""},
        {"a text file", Driver::Written, L"", "not a driver"},
        {"an empty file", Driver::Written, L"", ""},
        {"a module header alone", Driver::Written, L"", std::string("MZ\x90\0\x03\0\0\0", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder system;
        if (c.driver != Driver::NoFolder) {
            const std::wstring driver = system.Make(L"drivers\\qxcbt.sys");
            if (c.driver == Driver::Copied) {
                ASSERT_TRUE(CopyInto(c.source, driver));
            }
            if (c.driver == Driver::Written)
                WriteFile(driver, c.content);
            EXPECT_FALSE(ReadFileVersion(driver).has_value());
        }
        EXPECT_EQ(DriverVersionText(system.Path()), L"Unknown");
    }
}

TEST_F(DriverVersionTest, ANamelessSystemDirectoryNeverReadsTheCurrentDirectory)
{
    ASSERT_TRUE(CopyInto(DemoDriverFile(), DriverPath()));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(system_.Path().c_str()));

    EXPECT_EQ(DriverVersionText(L""), L"Unknown");

    SetCurrentDirectoryW(previous);
}

TEST(SystemDirectoryTest, IsAnExistingFolder)
{
    const std::wstring folder = SystemDirectory();
    ASSERT_FALSE(folder.empty());
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

} // namespace
} // namespace trackkit
