#include "shell/win32/theme_library.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_theme/theme_call_record.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

using test::CopyInto;
using test::TempFolder;
using test::TestProgramFolder;

// The stand-in libraries, built into folders of their own beside the test program.
std::wstring StandIn(const wchar_t* variant)
{
    return TestProgramFolder() + variant + L"\\OrvexTheme.dll";
}

const std::wstring kWithOrdinals = L"theme_with_ordinals";
const std::wstring kWithoutOrdinals = L"theme_without_ordinals";

class ThemeLibraryTest : public ::testing::Test {
protected:
    // Puts a stand-in into the temporary folder as OrvexTheme.dll.
    void Install(const std::wstring& variant) const
    {
        ASSERT_TRUE(CopyInto(StandIn(variant.c_str()), LibraryPath()))
            << "stand-in " << std::string(variant.begin(), variant.end());
    }

    std::wstring LibraryPath() const { return folder_.Path() + L"\\OrvexTheme.dll"; }

    // The calls that the copy loaded from the temporary folder has recorded;
    // null when that copy is not loaded.
    const ThemeCallRecord* Recorded() const
    {
        HMODULE loaded = GetModuleHandleW(LibraryPath().c_str());
        if (loaded == nullptr)
            return nullptr;
        const auto recorded = reinterpret_cast<RecordedThemeCallsFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(loaded, "RecordedThemeCalls")));
        return recorded == nullptr ? nullptr : recorded();
    }

    // Each test frees what it loaded from here before the folder is removed.
    TempFolder folder_;
};

TEST_F(ThemeLibraryTest, OrdinalOneIsCalledWithZeroAtStart)
{
    Install(kWithOrdinals);
    ThemeLibrary theme(folder_.Path());
    ASSERT_TRUE(theme.IsLoaded());
    const ThemeCallRecord* calls = Recorded();
    ASSERT_NE(calls, nullptr) << "loaded from the given folder";
    EXPECT_EQ(calls->startCalls, 0) << "loading alone calls nothing";

    theme.OnStart();

    EXPECT_EQ(calls->startCalls, 1);
    EXPECT_EQ(calls->startArgument, 0);
    EXPECT_EQ(calls->frameCalls, 0);
}

TEST_F(ThemeLibraryTest, OrdinalEightGetsTheFrameMessageExactly)
{
    struct Case {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    // Full 64-bit values catch any narrowing on the way.
    const Case cases[] = {
        {reinterpret_cast<HWND>(0x00010A2C), WM_CREATE, 0, 0x000000000014FD40},
        {reinterpret_cast<HWND>(0x7FFF00010A2Cll), WM_CREATE, static_cast<WPARAM>(0xFEDCBA9876543210ull),
         static_cast<LPARAM>(0x8123456789ABCDEFull)},
        {nullptr, WM_CREATE, ~WPARAM{0}, -1},
    };
    Install(kWithOrdinals);
    ThemeLibrary theme(folder_.Path());
    const ThemeCallRecord* calls = Recorded();
    ASSERT_NE(calls, nullptr);

    LONG expectedCalls = 0;
    for (const Case& c : cases) {
        theme.OnFrameCreate(c.window, c.message, c.wParam, c.lParam);
        ++expectedCalls;
        EXPECT_EQ(calls->frameCalls, expectedCalls);
        EXPECT_EQ(calls->frameWindow, c.window);
        EXPECT_EQ(calls->frameMessage, c.message);
        EXPECT_EQ(calls->frameWParam, c.wParam);
        EXPECT_EQ(calls->frameLParam, c.lParam);
    }
    EXPECT_EQ(calls->startCalls, 0);
}

TEST_F(ThemeLibraryTest, LibraryWithoutTheOrdinalsIsLoadedButNothingIsCalled)
{
    Install(kWithoutOrdinals);
    ThemeLibrary theme(folder_.Path());
    ASSERT_TRUE(theme.IsLoaded());

    theme.OnStart();
    theme.OnFrameCreate(reinterpret_cast<HWND>(0x1234), WM_CREATE, 1, 2);

    const ThemeCallRecord* calls = Recorded();
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls->startCalls, 0) << "nothing found at ordinal 1, and nothing else taken instead";
    EXPECT_EQ(calls->frameCalls, 0) << "nothing found at ordinal 8, and nothing else taken instead";
}

TEST_F(ThemeLibraryTest, NoLibraryOrAnUnusableOneMeansBothCallsDoNothing)
{
    struct Case {
        const char* name;
        std::string content;  // written as OrvexTheme.dll; none when empty
    };
    const Case cases[] = {
        {"missing", ""},
        {"not a module", "This is not a library."},
        {"a truncated module header", std::string("MZ\x90\0\x03\0\0\0", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.content.empty())
            test::WriteFile(LibraryPath(), c.content);
        ThemeLibrary theme(folder_.Path());
        EXPECT_FALSE(theme.IsLoaded());
        theme.OnStart();
        theme.OnFrameCreate(reinterpret_cast<HWND>(0x1234), WM_CREATE, 0, 0);
    }
}

// A library of that name in the current directory, on PATH or beside the
// test program is never taken in place of the named folder's.
TEST_F(ThemeLibraryTest, OnlyTheNamedFolderIsLookedIn)
{
    TempFolder current;
    ASSERT_TRUE(CopyInto(StandIn(kWithOrdinals.c_str()), current.Path() + L"\\OrvexTheme.dll"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(current.Path().c_str()));

    struct Case {
        const char* name;
        std::wstring folder;
    };
    const Case cases[] = {
        {"an empty folder", folder_.Path()},
        {"no folder", L""},
        {"a relative folder", L"."},
        {"a drive-relative folder", L"C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThemeLibrary theme(c.folder);
        EXPECT_FALSE(theme.IsLoaded());
    }
    EXPECT_EQ(GetModuleHandleW(L"OrvexTheme.dll"), nullptr);

    SetCurrentDirectoryW(previous);
}

TEST_F(ThemeLibraryTest, AFolderWithATrailingBackslashWorksToo)
{
    Install(kWithOrdinals);
    ThemeLibrary theme(folder_.Path() + L"\\");
    EXPECT_TRUE(theme.IsLoaded());
    EXPECT_NE(Recorded(), nullptr);
}

TEST_F(ThemeLibraryTest, TheLibraryIsFreedWithTheObject)
{
    Install(kWithOrdinals);
    {
        ThemeLibrary theme(folder_.Path());
        ASSERT_NE(GetModuleHandleW(LibraryPath().c_str()), nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(LibraryPath().c_str()), nullptr);
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningExecutable)
{
    const std::wstring folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    const std::wstring program(name, length);
    EXPECT_EQ(program.rfind(folder, 0), 0u) << "the program lies in it";
    EXPECT_EQ(program.find(L'\\', folder.size()), std::wstring::npos) << "directly, not in a sub-folder";
}

// The test program's own folder holds no theme library (the stand-ins sit in
// sub-folders), so the program-wide library is absent and both calls are
// harmless.
// The current directory holds one, which must not be taken instead.
TEST(ProgramThemeTest, WithoutALibraryBesideTheProgramBothCallsDoNothing)
{
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW((TestProgramFolder() + kWithOrdinals).c_str()));

    ThemeLibrary& theme = ProgramTheme();
    EXPECT_FALSE(theme.IsLoaded());
    EXPECT_EQ(&theme, &ProgramTheme()) << "one library for the whole run";
    theme.OnStart();
    theme.OnFrameCreate(nullptr, WM_CREATE, 0, 0);

    SetCurrentDirectoryW(previous);
}

} // namespace
} // namespace trackkit
