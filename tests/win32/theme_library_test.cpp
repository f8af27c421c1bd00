// The maker's theme library, OrvexTheme.dll, loaded for real. The stand-ins
// built in fake_theme/ (one exporting its entries at ordinals 1 and 8, one at
// other ordinals) record every call; a test copies one into a folder of its own.
#include "shell/win32/theme_library.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_theme/theme_call_record.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

std::wstring StandIn(const wchar_t* variant) { return test::TestProgramFolder() + variant + L"\\OrvexTheme.dll"; }

class ThemeLibraryTest : public ::testing::Test {
protected:
    std::wstring LibraryPath() const { return folder_.Path() + L"\\OrvexTheme.dll"; }

    void Install(const wchar_t* variant) const { ASSERT_TRUE(test::CopyInto(StandIn(variant), LibraryPath())); }

    // The calls that the copy loaded from the folder recorded; null when it is not loaded.
    const ThemeCallRecord* Recorded() const
    {
        HMODULE loaded = GetModuleHandleW(LibraryPath().c_str());
        const auto recorded = reinterpret_cast<RecordedThemeCallsFunction>(reinterpret_cast<void (*)()>(
            loaded == nullptr ? nullptr : GetProcAddress(loaded, "RecordedThemeCalls")));
        return recorded == nullptr ? nullptr : recorded();
    }

    test::TempFolder folder_;  // each test frees what it loaded from here before it goes
};

TEST_F(ThemeLibraryTest, OrdinalOneGetsZeroAndOrdinalEightTheFrameMessageExactly)
{
    Install(L"theme_with_ordinals");
    {
        ThemeLibrary theme(folder_.Path() + L"\\");
        ASSERT_TRUE(theme.IsLoaded());
        const ThemeCallRecord* calls = Recorded();
        ASSERT_NE(calls, nullptr) << "loaded from the given folder";
        EXPECT_EQ(calls->startCalls, 0) << "loading alone calls nothing";

        theme.OnStart();
        EXPECT_EQ(calls->startCalls, 1);
        EXPECT_EQ(calls->startArgument, 0);
        // Full 64-bit values catch any narrowing on the way.
        const auto window = reinterpret_cast<HWND>(0x7FFF00010A2Cll);
        const auto wParam = static_cast<WPARAM>(0xFEDCBA9876543210ull);
        const auto lParam = static_cast<LPARAM>(0x8123456789ABCDEFull);
        theme.OnFrameCreate(window, WM_CREATE, wParam, lParam);
        EXPECT_EQ(calls->frameCalls, 1);
        EXPECT_EQ(calls->frameWindow, window);
        EXPECT_EQ(calls->frameMessage, static_cast<UINT>(WM_CREATE));
        EXPECT_EQ(calls->frameWParam, wParam);
        EXPECT_EQ(calls->frameLParam, lParam);
        EXPECT_EQ(calls->startCalls, 1);
    }
    EXPECT_EQ(GetModuleHandleW(LibraryPath().c_str()), nullptr) << "freed with the object";
}

TEST_F(ThemeLibraryTest, ALibraryWithoutTheOrdinalsIsLoadedButNothingIsCalled)
{
    Install(L"theme_without_ordinals");
    ThemeLibrary theme(folder_.Path());
    ASSERT_TRUE(theme.IsLoaded());
    theme.OnStart();
    theme.OnFrameCreate(reinterpret_cast<HWND>(0x1234), WM_CREATE, 1, 2);

    const ThemeCallRecord* calls = Recorded();
    ASSERT_NE(calls, nullptr);
    // Ordinal 1 lies below its export table and ordinal 8 is an empty slot in it.
    EXPECT_EQ(calls->startCalls, 0);
    EXPECT_EQ(calls->frameCalls, 0);
}

// Only a full folder path is looked in: a library of that name in the
// current directory is never taken instead.
TEST_F(ThemeLibraryTest, WithoutAUsableLibraryInTheNamedFolderBothCallsDoNothing)
{
    test::TempFolder current;
    ASSERT_TRUE(test::CopyInto(StandIn(L"theme_with_ordinals"), current.Path() + L"\\OrvexTheme.dll"));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(current.Path().c_str()));

    const struct {
        const char* name;
        std::wstring folder;
        std::string content;  // written as the folder's OrvexTheme.dll unless empty
    } cases[] = {
        {"an empty folder", folder_.Path(), ""},
        {"no folder", L"", ""},
        {"a relative folder", L".", ""},
        {"a drive-relative folder", L"C:", ""},
        {"not a module", folder_.Path(), "This is not a library."},
        {"a truncated module header", folder_.Path(), std::string("MZ\x90\0\x03\0\0\0", 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.content.empty())
            test::WriteFile(LibraryPath(), c.content);
        ThemeLibrary theme(c.folder);
        EXPECT_FALSE(theme.IsLoaded());
        theme.OnStart();
        theme.OnFrameCreate(nullptr, WM_CREATE, 0, 0);
    }
    EXPECT_EQ(GetModuleHandleW(L"OrvexTheme.dll"), nullptr);
    SetCurrentDirectoryW(previous);
}

// The program's own library is looked for beside the program: the test
// program's folder holds none (the stand-ins sit in sub-folders), while the
// current directory does.
TEST(ProgramThemeTest, IsLookedForOnlyBesideTheProgram)
{
    EXPECT_EQ(ProgramFolder(), test::TestProgramFolder());
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW((test::TestProgramFolder() + L"theme_with_ordinals").c_str()));

    ThemeLibrary& theme = ProgramTheme();
    EXPECT_FALSE(theme.IsLoaded());
    EXPECT_EQ(&theme, &ProgramTheme()) << "one library for the whole run";
    theme.OnStart();
    SetCurrentDirectoryW(previous);
}

} // namespace
} // namespace trackkit
