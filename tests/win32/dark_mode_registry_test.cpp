// QueryDarkMode against the real registry. Each test builds the current
// user's keys inside a test key of its own and lets HKEY_CURRENT_USER stand
// for it while the query runs (RegOverridePredefKey), so the query reads the
// very paths it reads in the program without touching the user's settings.
#include "shell/win32/registry_reader.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "registry_test_key.h"

namespace trackkit {
namespace {

using test::LittleEndian;

constexpr const wchar_t* kCommon = L"Software\\Quillon\\Common";
constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

struct StoredValue {
    const wchar_t* key;
    const wchar_t* name;  // null: only the key is made
    DWORD type;
    std::vector<std::uint8_t> bytes;
};

StoredValue Dword(const wchar_t* key, const wchar_t* name, std::uint32_t value)
{
    return {key, name, REG_DWORD, LittleEndian(value, 4)};
}

std::vector<std::uint8_t> WideText(const wchar_t* text)
{
    std::vector<std::uint8_t> bytes;
    for (const wchar_t* c = text;; ++c) {
        bytes.push_back(static_cast<std::uint8_t>(*c));
        bytes.push_back(static_cast<std::uint8_t>(*c >> 8));
        if (*c == L'\0')
            return bytes;
    }
}

class DarkModeRegistryTest : public test::RegistryTestKey {
protected:
    void SetUp() override
    {
        RegistryTestKey::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user_,
                                  nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override
    {
        RegCloseKey(user_);
        RegistryTestKey::TearDown();
    }

    void Store(const StoredValue& value) const
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(user_, value.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        LSTATUS status = ERROR_SUCCESS;
        if (value.name != nullptr)
            status = RegSetValueExW(key, value.name, 0, value.type, value.bytes.data(),
                                    static_cast<DWORD>(value.bytes.size()));
        RegCloseKey(key);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }

    bool Exists(const wchar_t* path) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(user_, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    // The program's own query, with the test key as the current user's.
    bool QueryAsCurrentUser() const
    {
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user_), ERROR_SUCCESS);
        const bool dark = QueryDarkMode();
        EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
        return dark;
    }

    HKEY user_ = nullptr;
};

TEST_F(DarkModeRegistryTest, FollowsTheStoredValuesWhateverTheirType)
{
    struct Case {
        const char* name;
        std::vector<StoredValue> values;
        bool dark;
    };
    const std::vector<Case> cases = {
        {"no key", {}, false},
        {"key without values", {{kCommon, nullptr, REG_NONE, {}}}, false},
        {"DarkModeEx 1", {Dword(kCommon, L"DarkModeEx", 1)}, true},
        {"DarkModeEx 0 wins over DarkMode 1", {Dword(kCommon, L"DarkModeEx", 0), Dword(kCommon, L"DarkMode", 1)}, false},
        {"DarkMode 1 alone", {Dword(kCommon, L"DarkMode", 1)}, true},
        {"DarkMode 0 alone", {Dword(kCommon, L"DarkMode", 0)}, false},
        {"DarkModeEx 2 ignores Windows",
         {Dword(kCommon, L"DarkModeEx", 2), Dword(kPersonalize, L"AppsUseLightTheme", 1)}, true},
        {"one byte", {{kCommon, L"DarkModeEx", REG_BINARY, {0x02}}}, true},
        {"empty value reads 0 and hides DarkMode",
         {{kCommon, L"DarkModeEx", REG_BINARY, {}}, Dword(kCommon, L"DarkMode", 1)}, false},
        {"eight bytes count as unreadable",
         {{kCommon, L"DarkModeEx", REG_QWORD, LittleEndian(1, 8)}, Dword(kCommon, L"DarkMode", 0)}, false},
        {"eight bytes fall back to DarkMode 1",
         {{kCommon, L"DarkModeEx", REG_QWORD, LittleEndian(0, 8)}, Dword(kCommon, L"DarkMode", 1)}, true},
        {"the text \"0\" is read as its bytes", {{kCommon, L"DarkModeEx", REG_SZ, WideText(L"0")}}, true},
        {"longer text is unreadable", {{kCommon, L"DarkModeEx", REG_SZ, WideText(L"1234")}}, false},
        {"follow Windows: light", {Dword(kCommon, L"DarkModeEx", 4), Dword(kPersonalize, L"AppsUseLightTheme", 1)}, false},
        {"follow Windows: dark", {Dword(kCommon, L"DarkModeEx", 4), Dword(kPersonalize, L"AppsUseLightTheme", 0)}, true},
        {"follow Windows without its key", {Dword(kCommon, L"DarkModeEx", 4)}, true},
        {"follow Windows without its value",
         {Dword(kCommon, L"DarkModeEx", 4), {kPersonalize, nullptr, REG_NONE, {}}}, true},
        {"follow Windows, its value unreadable",
         {Dword(kCommon, L"DarkModeEx", 4), {kPersonalize, L"AppsUseLightTheme", REG_QWORD, LittleEndian(1, 8)}}, true},
        {"follow Windows, its value one byte",
         {{kCommon, L"DarkModeEx", REG_BINARY, {0x04, 0x00}}, {kPersonalize, L"AppsUseLightTheme", REG_BINARY, {0x01}}},
         false},
        {"follow Windows through DarkMode",
         {Dword(kCommon, L"DarkMode", 4), Dword(kPersonalize, L"AppsUseLightTheme", 1)}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(user_, L"Software");
        for (const StoredValue& value : c.values)
            Store(value);

        EXPECT_EQ(QueryAsCurrentUser(), c.dark);
    }
}

TEST_F(DarkModeRegistryTest, ReadingCreatesNoKey)
{
    Store(Dword(kCommon, L"DarkModeEx", 4));
    ASSERT_FALSE(Exists(kPersonalize));

    EXPECT_TRUE(QueryAsCurrentUser());
    EXPECT_FALSE(Exists(kPersonalize));

    RegDeleteTreeW(user_, L"Software");
    EXPECT_FALSE(QueryAsCurrentUser());
    EXPECT_FALSE(Exists(kCommon));
}

TEST_F(DarkModeRegistryTest, TheAnswerFollowsChangesAtOnce)
{
    Store(Dword(kCommon, L"DarkModeEx", 1));
    EXPECT_TRUE(QueryAsCurrentUser());
    Store(Dword(kCommon, L"DarkModeEx", 0));
    EXPECT_FALSE(QueryAsCurrentUser());
}

TEST_F(DarkModeRegistryTest, ReaderReadsUpToFourBytesBelowItsRoot)
{
    struct Case {
        const char* name;
        StoredValue value;
        std::optional<std::uint32_t> read;
    };
    const std::vector<Case> cases = {
        {"dword", Dword(L"A\\B", L"V", 0x12345678), 0x12345678u},
        {"two bytes fill the low half", {L"A\\B", L"V", REG_BINARY, {0x20, 0x03}}, 0x0320u},
        {"three bytes", {L"A\\B", L"V", REG_BINARY, {0x01, 0x02, 0x03}}, 0x030201u},
        {"empty", {L"A\\B", L"V", REG_BINARY, {}}, 0u},
        {"five bytes", {L"A\\B", L"V", REG_BINARY, {1, 2, 3, 4, 5}}, std::nullopt},
        {"qword", {L"A\\B", L"V", REG_QWORD, LittleEndian(7, 8)}, std::nullopt},
        {"other value", Dword(L"A\\B", L"W", 1), std::nullopt},
        {"other key", Dword(L"A\\C", L"V", 1), std::nullopt},
    };
    const WindowsRegistryReader reader(user_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(user_, L"A");
        Store(c.value);
        EXPECT_EQ(reader.ReadDword(L"A\\B", L"V"), c.read);
    }
}

} // namespace
} // namespace trackkit
