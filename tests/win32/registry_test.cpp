// The registry for real: the settings store (raw bytes of any value, DWORD
// writes), the reader of the maker's shared settings and the dark-mode query
// on the paths the program reads. Each test works in a key of its own below
// HKEY_CURRENT_USER\Software\Quillon\ZezudoZozorTest, removed when it ends.
// The rules on top (the settings' defaults, dark mode) are tested natively
// in tests/shell.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shell/win32/registry_reader.h"
#include "shell/win32/registry_store.h"

namespace trackkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const wchar_t* kCommon = L"Software\\Quillon\\Common";
constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

Bytes LittleEndian(std::uint64_t value, std::size_t bytes)
{
    Bytes out;
    for (std::size_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

bool Exists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class RegistryTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kParent = L"Software\\Quillon\\ZezudoZozorTest";

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        path_ = std::wstring(kParent) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::wstring(name.begin(), name.end());
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

    void TearDown() override
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // only once no other test's key is left
    }

    // The test key, created on first use.
    HKEY Key()
    {
        if (key_ == nullptr)
            RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        return key_;
    }

    // Stores a value of any type in the test key or in a key below it.
    void Store(const wchar_t* subKey, const wchar_t* name, DWORD type, const Bytes& bytes)
    {
        ASSERT_EQ(RegSetKeyValueW(Key(), subKey, name, type, bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    // A value of the test key as Windows keeps it: its type and bytes.
    std::pair<DWORD, Bytes> Query(const wchar_t* name)
    {
        DWORD type = REG_NONE;
        Bytes bytes(16);
        DWORD size = static_cast<DWORD>(bytes.size());
        if (RegQueryValueExW(Key(), name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS)
            return {REG_NONE, {}};
        bytes.resize(size);
        return {type, bytes};
    }

    std::wstring path_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, TheStoreCreatesItsKeyWritesDwordsOverAnyValueAndNothingWhileClosed)
{
    RegistryStore store(path_ + L"\\");  // the settings path ends in a backslash
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 4));
    ASSERT_TRUE(store.OpenOrCreate());
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, path_));
    Store(nullptr, L"BlockSize", REG_QWORD, LittleEndian(0x1122334455667788ull, 8));
    ASSERT_TRUE(store.WriteDword(L"BlockSize", 8));
    EXPECT_EQ(Query(L"BlockSize"), std::make_pair(static_cast<DWORD>(REG_DWORD), LittleEndian(8, 4)));
    ASSERT_TRUE(store.WriteDword(L"WindowLeft", 0x80000000u));
    EXPECT_EQ(Query(L"WindowLeft").second, LittleEndian(0x80000000u, 4));
    store.Close();

    EXPECT_FALSE(store.ReadBytes(L"BlockSize").has_value());
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 2));
    EXPECT_EQ(Query(L"BlockSize").second, LittleEndian(8, 4)) << "what was written before closing stays";

    RegistryStore impossible(path_ + L"\\" + std::wstring(300, L'k'));  // key names hold at most 255 characters
    EXPECT_FALSE(impossible.OpenOrCreate());
    EXPECT_FALSE(impossible.IsOpen());
}

TEST_F(RegistryTest, TheStoreReadsEveryValueTypeAsItsRawBytes)
{
    Bytes large(70000);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const struct {
        const wchar_t* name;
        DWORD type;
        Bytes bytes;
    } cases[] = {
        {L"Dword", REG_DWORD, LittleEndian(0x12345678, 4)},
        {L"TwoBytes", REG_BINARY, {0x20, 0x03}},
        {L"Qword", REG_QWORD, LittleEndian(0x1122334455667788ull, 8)},
        {L"Text", REG_SZ, {'a', 0, 'b', 0, 0, 0}},
        {L"Empty", REG_BINARY, {}},
        {L"Large", REG_BINARY, large},
    };
    for (const auto& c : cases)
        Store(nullptr, c.name, c.type, c.bytes);

    RegistryStore store(path_);
    ASSERT_TRUE(store.OpenOrCreate());
    for (const auto& c : cases)
        EXPECT_EQ(store.ReadBytes(c.name), std::optional<Bytes>(c.bytes)) << c.name;
    EXPECT_FALSE(store.ReadBytes(L"Missing").has_value());
}

TEST_F(RegistryTest, TheSharedSettingsReaderTakesUpToFourBytesOfAnyType)
{
    const struct {
        const char* name;
        const wchar_t* key;
        const wchar_t* value;
        DWORD type;
        Bytes bytes;
        std::optional<std::uint32_t> read;
    } cases[] = {
        {"dword", L"A\\B", L"V", REG_DWORD, LittleEndian(0x12345678, 4), 0x12345678u},
        {"two bytes fill the low half", L"A\\B", L"V", REG_BINARY, {0x20, 0x03}, 0x0320u},
        {"empty", L"A\\B", L"V", REG_BINARY, {}, 0u},
        {"the text \"0\" as its bytes", L"A\\B", L"V", REG_SZ, {'0', 0, 0, 0}, 0x30u},
        {"five bytes", L"A\\B", L"V", REG_BINARY, {1, 2, 3, 4, 5}, std::nullopt},
        {"qword", L"A\\B", L"V", REG_QWORD, LittleEndian(7, 8), std::nullopt},
        {"other value", L"A\\B", L"W", REG_DWORD, LittleEndian(1, 4), std::nullopt},
        {"other key", L"A\\C", L"V", REG_DWORD, LittleEndian(1, 4), std::nullopt},
    };
    const WindowsRegistryReader reader(Key());
    for (const auto& c : cases) {
        RegDeleteTreeW(Key(), L"A");
        Store(c.key, c.value, c.type, c.bytes);
        EXPECT_EQ(reader.ReadDword(L"A\\B", L"V"), c.read) << c.name;
    }
}

// The test key stands in for the current user's (RegOverridePredefKey), so
// the query reads the very paths it reads in the program.
TEST_F(RegistryTest, DarkModeReadsTheCurrentUsersSettingsAfreshAndCreatesNoKey)
{
    const auto query = [&] {
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, Key()), ERROR_SUCCESS);
        const bool dark = QueryDarkMode();
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
        return dark;
    };
    EXPECT_FALSE(query());
    EXPECT_FALSE(Exists(Key(), kCommon));
    Store(kCommon, L"DarkMode", REG_DWORD, LittleEndian(1, 4));
    EXPECT_TRUE(query());
    Store(kCommon, L"DarkModeEx", REG_DWORD, LittleEndian(0, 4));  // read first
    EXPECT_FALSE(query());
    Store(kCommon, L"DarkModeEx", REG_BINARY, {0x04});  // follow Windows, whose value is missing: dark
    EXPECT_TRUE(query());
    EXPECT_FALSE(Exists(Key(), kPersonalize));
    Store(kPersonalize, L"AppsUseLightTheme", REG_DWORD, LittleEndian(1, 4));
    EXPECT_FALSE(query());
}

} // namespace
} // namespace trackkit
