// The program's resources as the resource compiler built them, read from
// TrackKitResources.dll (a module of their own beside the test program).
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/byte_reader.h"
#include "common/win32/unique_handles.h"
#include "common/win32/file_version_reader.h"
#include "tracking/win32/driver_version.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

const std::wstring kModulePath = test::TestProgramFolder() + L"TrackKitResources.dll";

const UniqueModule kModule(
    LoadLibraryExW(kModulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));

// The bytes of one resource; empty when there is none.
std::span<const std::uint8_t> Resource(const wchar_t* type, int id)
{
    HRSRC found = FindResourceW(kModule.Get(), MAKEINTRESOURCEW(id), type);
    const void* bytes = found ? LockResource(LoadResource(kModule.Get(), found)) : nullptr;
    return {static_cast<const std::uint8_t*>(bytes), bytes ? SizeofResource(kModule.Get(), found) : 0};
}

// Items separated by ";": the text (a separator is "-"), then "|id" for a
// command or "[...]" for a sub-menu, and "|checked" or "|disabled" when so.
std::wstring Dump(HMENU menu)
{
    std::wstring dump;
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        wchar_t text[128] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
        dump += (position ? L";" : L"") + std::wstring(item.fType & MFT_SEPARATOR ? L"-" : text);
        if (!(item.fType & MFT_SEPARATOR))
            dump += (item.hSubMenu ? L"[" + Dump(item.hSubMenu) + L"]" : L"|" + std::to_wstring(item.wID)) +
                (item.fState & MFS_CHECKED ? L"|checked" : L"") + (item.fState & MFS_DISABLED ? L"|disabled" : L"");
    }
    return dump;
}

TEST(Resources, MenuBarHasEveryItemWithItsIdAndCheckMark)
{
    HMENU menu = LoadMenuW(kModule.Get(), MAKEINTRESOURCEW(101));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Dump(menu),
              L"&File[&Install CBT Driver...|40015;&Remove CBT Driver...|40017;-;"
              L"&Uninstall Removed Shadow Copy Devices...|40027;-;"
              L"Exclude &USB Devices|40029;Exclude &VHD Devices|40030;-;E&xit\tAlt+F4|40001];"
              L"&View[&Refresh Now|40008;"
              L"&Update Speed[&High|40004;&Normal|40005|checked;&Low|40006;&Paused|40007];"
              L"Block Size[&Large|40011;&Medium|40012|checked;&Small|40013;Smalles&t|40014];-;&Trace Log...|40028;"
              L"Changed &Files...|40031];"
              L"&Help[&About TrackKit...|40002]");
    DestroyMenu(menu);
}

// GRPICONDIR: reserved, type 1, count; then 14-byte entries: width, height,
// colours, reserved, planes, bits per pixel, size, icon id.
TEST(Resources, IconHasSixteenThirtyTwoAndFortyEightPixelImagesThatWindowsCanDraw)
{
    ByteReader group(Resource(RT_GROUP_ICON, 101));
    std::vector<std::string> images;  // "<width>x<height>x<bits per pixel>"
    for (std::size_t entry = 6; entry < 6 + 14u * group.U16At(4); entry += 14) {
        const auto image = Resource(RT_ICON, group.U16At(entry + 12));
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_TRUE(icon != nullptr && DestroyIcon(icon)) << "image " << entry / 14 << " cannot be drawn";
        images.push_back(std::to_string(group.U8At(entry)) + "x" + std::to_string(group.U8At(entry + 1)) + "x" +
                         std::to_string(group.U16At(entry + 6)));
    }
    EXPECT_TRUE(group.Ok() && group.U16At(2) == 1) << "a complete icon group";
    EXPECT_EQ(images, (std::vector<std::string>{"16x16x32", "32x32x32", "48x48x32"}));
}

TEST(Resources, VersionBlockCarriesTheProjectVersionAndTheProduct)
{
    EXPECT_EQ(ReadFileVersion(kModulePath),
              (FileVersion{TRACKKIT_VERSION_MAJOR, TRACKKIT_VERSION_MINOR, TRACKKIT_VERSION_PATCH, 0}));
    std::vector<std::uint8_t> block(GetFileVersionInfoSizeW(kModulePath.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(kModulePath.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    std::wstring texts;
    for (const wchar_t* name : {L"ProductName", L"CompanyName", L"ProductVersion", L"FileVersion"}) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\040904B0\\" + std::wstring(name);
        VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length);
        texts += (value ? value : L"-") + std::wstring(L";");
    }
    const std::wstring version = std::to_wstring(TRACKKIT_VERSION_MAJOR) + L"." +
        std::to_wstring(TRACKKIT_VERSION_MINOR) + L"." + std::to_wstring(TRACKKIT_VERSION_PATCH);
    EXPECT_EQ(texts, L"TrackKit;Quillon;" + version + L";" + version + L";");
}

// Windows must parse the manifest and resolve its dependency to common controls 6 from the
// side-by-side store; what it acts on only at start-up is read as text.
TEST(Resources, ManifestAsksForAdministratorAndDpiAwarenessAndActivatesCommonControlsSix)
{
    const auto bytes = Resource(RT_MANIFEST, 1);
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* expected : {R"(level="requireAdministrator")", ">true</dpiAware>", ">system</dpiAwareness>",
                                 R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)"})  // Windows 10
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;

    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = kModulePath.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    const UniqueModule controls(LoadLibraryW(L"comctl32.dll"));
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls.Get(), path, MAX_PATH);
    CharLowerW(path);
    EXPECT_NE(std::wstring(path).find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << std::string(path, path + wcslen(path));
}

} // namespace
} // namespace trackkit
