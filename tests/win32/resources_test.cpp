// The program's resources as the resource compiler built them, read from
// TrackKitResources.dll (the same compiled resources as the executables,
// in a module of their own beside the test program).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/win32/unique_module.h"
#include "shell/win32/driver_version.h"
#include "temp_folder.h"

namespace trackkit {
namespace {

using test::TestProgramFolder;

std::wstring ResourcesModulePath() { return TestProgramFolder() + L"TrackKitResources.dll"; }

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
        if (found == nullptr)
            return {};
        HGLOBAL loaded = LoadResource(module_.Get(), found);
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

// The block map shows the menu bar's second entry as its context menu.
TEST_F(ResourcesTest, ViewMenuIsTheSecondEntryOfTheMenuBar)
{
    HMENU menu = LoadMenuW(module_.Get(), MAKEINTRESOURCEW(101));
    ASSERT_NE(menu, nullptr);
    wchar_t text[32] = {};
    GetMenuStringW(menu, 1, text, static_cast<int>(std::size(text)), MF_BYPOSITION);
    HMENU view = GetSubMenu(menu, 1);
    const UINT firstCommand = view == nullptr ? 0 : GetMenuItemID(view, 0);
    DestroyMenu(menu);

    EXPECT_STREQ(text, L"&View");
    EXPECT_EQ(firstCommand, 40008u);
}

// A UTF-16 string of a dialog template at `offset`, up to its NUL; `offset`
// moves past the NUL.
std::wstring TemplateString(ByteReader& reader, std::size_t& offset)
{
    std::wstring text;
    for (std::uint16_t unit = reader.U16At(offset); reader.Ok() && unit != 0; unit = reader.U16At(offset)) {
        text.push_back(static_cast<wchar_t>(unit));
        offset += 2;
    }
    offset += 2;
    return text;
}

// DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, extended style,
// style, item count, x, y, cx, cy; no menu, the standard class, the title;
// then, for DS_SETFONT, point size, weight, italic, character set and face.
TEST_F(ResourcesTest, LookupClustersDialogTemplate)
{
    const auto bytes = Resource(MAKEINTRESOURCEW(5), 107);  // RT_DIALOG
    ASSERT_FALSE(bytes.empty());
    ByteReader reader(bytes);
    EXPECT_EQ(reader.U16At(0), 1) << "dlgVer";
    EXPECT_EQ(reader.U16At(2), 0xFFFF) << "DIALOGEX";
    const std::uint32_t style = reader.U32At(12);
    const std::uint32_t expectedStyle =
        DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    EXPECT_EQ(style & expectedStyle, expectedStyle);
    EXPECT_EQ(reader.U16At(16), 2) << "two controls";
    EXPECT_EQ(reader.U16At(18), 0);
    EXPECT_EQ(reader.U16At(20), 0);
    EXPECT_EQ(reader.U16At(22), 601);
    EXPECT_EQ(reader.U16At(24), 310);
    EXPECT_EQ(reader.U16At(26), 0) << "no menu";
    EXPECT_EQ(reader.U16At(28), 0) << "the dialog class";
    std::size_t offset = 30;
    EXPECT_EQ(TemplateString(reader, offset), L"Lookup Clusters");
    EXPECT_EQ(reader.U16At(offset), 8) << "point size";
    offset += 6;  // point size, weight, italic, character set
    EXPECT_EQ(TemplateString(reader, offset), L"MS Shell Dlg");
    EXPECT_TRUE(reader.Ok());
}

// GRPICONDIR: reserved, type 1, count; then 14-byte entries: width, height,
// colours, reserved, planes, bits per pixel, size, icon id.
TEST_F(ResourcesTest, IconHasSixteenThirtyTwoAndFortyEightPixelImagesThatWindowsCanDraw)
{
    const auto group = Resource(RT_GROUP_ICON, 101);
    ByteReader reader(group);
    ASSERT_EQ(reader.U16At(2), 1) << "an icon group";
    const int count = reader.U16At(4);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 14 * static_cast<std::size_t>(i);
        const int size = reader.U8At(entry);
        sizes.push_back(size);
        EXPECT_EQ(reader.U8At(entry + 1), size) << "square";
        EXPECT_EQ(reader.U16At(entry + 6), 32) << "32 bits per pixel, with alpha";

        const auto image = Resource(RT_ICON, reader.U16At(entry + 12));
        ASSERT_FALSE(image.empty());
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

std::wstring VersionString(const std::vector<std::uint8_t>& block, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr)
        return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

TEST_F(ResourcesTest, VersionBlockCarriesTheProjectVersionAndTheProduct)
{
    const auto version = ReadFileVersion(ResourcesModulePath());
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(*version, (FileVersion{TRACKKIT_VERSION_MAJOR, TRACKKIT_VERSION_MINOR, TRACKKIT_VERSION_PATCH, 0}));

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ResourcesModulePath().c_str(), &ignored);
    ASSERT_NE(size, 0u);
    std::vector<std::uint8_t> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(ResourcesModulePath().c_str(), 0, size, block.data()));
    const std::wstring text = std::to_wstring(TRACKKIT_VERSION_MAJOR) + L"." + std::to_wstring(TRACKKIT_VERSION_MINOR) +
                              L"." + std::to_wstring(TRACKKIT_VERSION_PATCH);
    EXPECT_EQ(VersionString(block, L"ProductName"), L"TrackKit");
    EXPECT_EQ(VersionString(block, L"CompanyName"), L"Quillon");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), text);
    EXPECT_EQ(VersionString(block, L"FileVersion"), text);
}

TEST_F(ResourcesTest, ManifestAsksForAdministratorDpiAwarenessAndCommonControlsSix)
{
    const auto bytes = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(bytes.empty()) << "the program's manifest has id 1";
    const std::string manifest(bytes.begin(), bytes.end());
    for (const char* expected : {
             R"(level="requireAdministrator")",
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
             R"(publicKeyToken="6595b64144ccf1df")",
             ">true</dpiAware>",
             ">system</dpiAwareness>",
             R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",  // Windows 10
         })
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
}

// The identities ("name,...,version=...") of the assemblies that an
// activation context holds: its own manifest first, then what that brought in.
// One QueryActCtxW answer, in a buffer of the size it asks for (the record
// is followed by its strings), aligned for the record.
std::vector<std::uint64_t> QueryContext(HANDLE context, DWORD* index, ULONG infoClass)
{
    SIZE_T needed = 0;
    QueryActCtxW(0, context, index, infoClass, nullptr, 0, &needed);
    std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
    if (!QueryActCtxW(0, context, index, infoClass, buffer.data(), buffer.size() * sizeof(std::uint64_t), &needed))
        return {};
    return buffer;
}

std::vector<std::wstring> AssembliesOf(HANDLE context)
{
    std::vector<std::wstring> identities;
    const auto details = QueryContext(context, nullptr, ActivationContextDetailedInformation);
    if (details.empty())
        return identities;
    const DWORD count = reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(details.data())->ulAssemblyCount;
    for (DWORD index = 1; index <= count; ++index) {
        const auto buffer = QueryContext(context, &index, AssemblyDetailedInformationInActivationContext);
        if (buffer.empty())
            continue;
        const auto* assembly = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
        if (assembly->lpAssemblyEncodedAssemblyIdentity != nullptr)
            identities.emplace_back(assembly->lpAssemblyEncodedAssemblyIdentity);
    }
    return identities;
}

// Windows itself reads the manifest: it must parse, and its dependency must
// resolve to version 6 of the common controls, whose library then loads.
TEST_F(ResourcesTest, ManifestActivatesVersionSixOfTheCommonControls)
{
    const std::wstring source = ResourcesModulePath();
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = source.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();

    const std::vector<std::wstring> assemblies = AssembliesOf(context);
    ULONG_PTR cookie = 0;
    const bool activated = ActivateActCtx(context, &cookie) != FALSE;
    UniqueModule controls(activated ? LoadLibraryW(L"comctl32.dll") : nullptr);
    if (activated)
        DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);

    ASSERT_EQ(assemblies.size(), 2u);
    EXPECT_EQ(assemblies[0].rfind(L"Quillon.TrackKit,", 0), 0u);
    EXPECT_EQ(assemblies[1].rfind(L"Microsoft.Windows.Common-Controls,", 0), 0u);
    EXPECT_NE(assemblies[1].find(L"version=\"6."), std::wstring::npos);
    EXPECT_TRUE(controls);
}

} // namespace
} // namespace trackkit
