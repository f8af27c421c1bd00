// The program's resources as the resource compiler built them, read from
// TrackKitResources.dll (the same compiled resources as the executables, in a
// module of their own beside the test program). The dialogs are created from
// them by their own window tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/win32/unique_module.h"
#include "shell/win32/driver_version.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

std::wstring ResourcesModulePath() { return test::TestProgramFolder() + L"TrackKitResources.dll"; }

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_.Reset(LoadLibraryExW(ResourcesModulePath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(module_) << "cannot load TrackKitResources.dll: error " << GetLastError();
    }

    // The bytes of one resource; empty when there is none.
    std::span<const std::uint8_t> Resource(const wchar_t* type, int id) const
    {
        HRSRC found = FindResourceW(module_.Get(), MAKEINTRESOURCEW(id), type);
        HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(module_.Get(), found);
        const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
        if (bytes == nullptr)
            return {};
        return {static_cast<const std::uint8_t*>(bytes), SizeofResource(module_.Get(), found)};
    }

    UniqueModule module_;
};

// One line per item: its depth as indentation, its text (a separator is
// "-"), then "|id" for commands and "|checked" or "|disabled" when so.
void DumpMenu(HMENU menu, int depth, std::vector<std::wstring>& lines)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[128] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = static_cast<UINT>(std::size(text));
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item));

        std::wstring line(static_cast<std::size_t>(depth) * 2, L' ');
        if (item.fType & MFT_SEPARATOR) {
            lines.push_back(line + L"-");
            continue;
        }
        line += text;
        if (item.hSubMenu == nullptr)
            line += L"|" + std::to_wstring(item.wID);
        if (item.fState & MFS_CHECKED)
            line += L"|checked";
        if (item.fState & MFS_DISABLED)
            line += L"|disabled";
        lines.push_back(line);
        if (item.hSubMenu != nullptr)
            DumpMenu(item.hSubMenu, depth + 1, lines);
    }
}

TEST_F(ResourcesTest, MenuBarHasEveryItemWithItsIdAndCheckMark)
{
    HMENU menu = LoadMenuW(module_.Get(), MAKEINTRESOURCEW(101));
    ASSERT_NE(menu, nullptr);
    std::vector<std::wstring> lines;
    DumpMenu(menu, 0, lines);
    DestroyMenu(menu);

    const std::vector<std::wstring> expected = {
        L"&File",
        L"  &Install CBT Driver...|40015",
        L"  &Remove CBT Driver...|40017",
        L"  -",
        L"  &Uninstall Removed Shadow Copy Devices...|40027",
        L"  -",
        L"  Exclude &USB Devices|40029",
        L"  Exclude &VHD Devices|40030",
        L"  -",
        L"  E&xit\tAlt+F4|40001",
        L"&View",
        L"  &Refresh Now|40008",
        L"  &Update Speed",
        L"    &High|40004",
        L"    &Normal|40005|checked",
        L"    &Low|40006",
        L"    &Paused|40007",
        L"  Block Size",
        L"    &Large|40011",
        L"    &Medium|40012|checked",
        L"    &Small|40013",
        L"    Smalles&t|40014",
        L"  -",
        L"  &Trace Log...|40028",
        L"&Help",
        L"  &About TrackKit...|40002",
    };
    EXPECT_EQ(lines, expected);
}

// GRPICONDIR: reserved, type 1, count; then 14-byte entries: width, height,
// colours, reserved, planes, bits per pixel, size, icon id.
TEST_F(ResourcesTest, IconHasSixteenThirtyTwoAndFortyEightPixelImagesThatWindowsCanDraw)
{
    ByteReader reader(Resource(RT_GROUP_ICON, 101));
    ASSERT_EQ(reader.U16At(2), 1) << "an icon group";
    std::vector<int> sizes;
    for (int i = 0; i < reader.U16At(4); ++i) {
        const std::size_t entry = 6 + 14 * static_cast<std::size_t>(i);
        const int size = reader.U8At(entry);
        sizes.push_back(size);
        EXPECT_EQ(reader.U8At(entry + 1), size) << "square";
        EXPECT_EQ(reader.U16At(entry + 6), 32) << "32 bits per pixel, with alpha";

        const auto image = Resource(RT_ICON, reader.U16At(entry + 12));
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()), TRUE,
                                              0x00030000, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << size << " pixels";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    ASSERT_TRUE(reader.Ok()) << "the group is complete";
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST_F(ResourcesTest, VersionBlockCarriesTheProjectVersionAndTheProduct)
{
    EXPECT_EQ(ReadFileVersion(ResourcesModulePath()),
              (FileVersion{TRACKKIT_VERSION_MAJOR, TRACKKIT_VERSION_MINOR, TRACKKIT_VERSION_PATCH, 0}));
    DWORD ignored = 0;
    std::vector<std::uint8_t> block(GetFileVersionInfoSizeW(ResourcesModulePath().c_str(), &ignored));
    ASSERT_TRUE(GetFileVersionInfoW(ResourcesModulePath().c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto text = [&](const wchar_t* name) -> std::wstring {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueW(block.data(), path.c_str(), &value, &length) ? static_cast<const wchar_t*>(value) : L"";
    };
    const std::wstring version = std::to_wstring(TRACKKIT_VERSION_MAJOR) + L"." +
                                 std::to_wstring(TRACKKIT_VERSION_MINOR) + L"." +
                                 std::to_wstring(TRACKKIT_VERSION_PATCH);
    EXPECT_EQ(text(L"ProductName"), L"TrackKit");
    EXPECT_EQ(text(L"CompanyName"), L"Quillon");
    EXPECT_EQ(text(L"ProductVersion"), version);
    EXPECT_EQ(text(L"FileVersion"), version);
}

// Windows itself reads the manifest: it must parse, and its dependency must
// resolve to version 6 of the common controls, loaded from the side-by-side
// store. What Windows acts on only at start-up is read as text.
TEST_F(ResourcesTest, ManifestAsksForAdministratorAndDpiAwarenessAndActivatesCommonControlsSix)
{
    const auto bytes = Resource(RT_MANIFEST, 1);
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* expected : {
             R"(level="requireAdministrator")",
             ">true</dpiAware>",
             ">system</dpiAwareness>",
             R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",  // Windows 10
         })
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;

    const std::wstring source = ResourcesModulePath();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = source.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ULONG_PTR cookie = 0;
    const bool activated = ActivateActCtx(context, &cookie) != FALSE;
    const UniqueModule controls(activated ? LoadLibraryW(L"comctl32.dll") : nullptr);
    if (activated)
        DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);

    ASSERT_TRUE(controls);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls.Get(), path, MAX_PATH);
    std::wstring lower(path);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << std::string(lower.begin(), lower.end());
}

} // namespace
} // namespace trackkit
