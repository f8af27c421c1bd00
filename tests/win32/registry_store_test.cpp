#include "shell/win32/registry_store.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "registry_test_key.h"

namespace trackkit {
namespace {

using test::LittleEndian;

class RegistryStoreTest : public test::RegistryTestKey {};

TEST_F(RegistryStoreTest, OpenOrCreateCreatesTheMissingKey)
{
    ASSERT_FALSE(KeyExists());
    // The settings path ends in a backslash; the test key does too.
    RegistryStore store(Path() + L"\\");

    ASSERT_TRUE(store.OpenOrCreate());
    EXPECT_TRUE(store.IsOpen());
    EXPECT_TRUE(KeyExists());
}

TEST_F(RegistryStoreTest, OpenOrCreateOpensAnExistingKeyWithItsValues)
{
    SetDword(L"BlockSize", 12);
    RegistryStore store(Path());

    ASSERT_TRUE(store.OpenOrCreate());
    EXPECT_EQ(store.ReadBytes(L"BlockSize"), LittleEndian(12, 4));
}

TEST_F(RegistryStoreTest, OpenOrCreateFailsWhenTheKeyCannotBeMade)
{
    // A key name may have at most 255 characters.
    RegistryStore store(Path() + L"\\" + std::wstring(300, L'k'));

    EXPECT_FALSE(store.OpenOrCreate());
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(store.ReadBytes(L"BlockSize").has_value());
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 4));
}

TEST_F(RegistryStoreTest, ReadsEveryValueTypeAsItsRawBytes)
{
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> large(70000);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::vector<Case> cases = {
        {L"Dword", REG_DWORD, LittleEndian(0x12345678, 4)},
        {L"TwoBytes", REG_BINARY, {0x20, 0x03}},
        {L"Qword", REG_QWORD, LittleEndian(0x1122334455667788ull, 8)},
        {L"Text", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0, 0}},
        {L"Empty", REG_BINARY, {}},
        {L"Large", REG_BINARY, large},
    };
    for (const auto& c : cases)
        SetRaw(c.name, c.type, c.bytes);

    RegistryStore store(Path());
    ASSERT_TRUE(store.OpenOrCreate());
    for (const auto& c : cases) {
        const auto bytes = store.ReadBytes(c.name);
        ASSERT_TRUE(bytes.has_value()) << "value " << std::string(c.name, c.name + wcslen(c.name));
        EXPECT_EQ(*bytes, c.bytes) << "value " << std::string(c.name, c.name + wcslen(c.name));
    }
}

TEST_F(RegistryStoreTest, MissingValueReadsAsNothing)
{
    SetDword(L"BlockSize", 4);
    RegistryStore store(Path());
    ASSERT_TRUE(store.OpenOrCreate());

    EXPECT_FALSE(store.ReadBytes(L"UpdateSpeed").has_value());
    EXPECT_FALSE(store.ReadBytes(L"BlockSize2").has_value());
}

TEST_F(RegistryStoreTest, WriteDwordStoresAFourByteDword)
{
    // Written over a value of another type and size, which must not survive.
    SetRaw(L"BlockColor", REG_QWORD, LittleEndian(0x1122334455667788ull, 8));
    RegistryStore store(Path());
    ASSERT_TRUE(store.OpenOrCreate());

    EXPECT_TRUE(store.WriteDword(L"BlockColor", 0x00FF8040));
    EXPECT_TRUE(store.WriteDword(L"WindowLeft", 0x80000000u));

    const auto color = QueryRaw(L"BlockColor");
    ASSERT_TRUE(color.found);
    EXPECT_EQ(color.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(color.bytes, LittleEndian(0x00FF8040, 4));
    const auto left = QueryRaw(L"WindowLeft");
    ASSERT_TRUE(left.found);
    EXPECT_EQ(left.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(left.bytes, LittleEndian(0x80000000u, 4));
}

TEST_F(RegistryStoreTest, ClosedStoreNeitherReadsNorWrites)
{
    RegistryStore store(Path());
    EXPECT_FALSE(store.ReadBytes(L"BlockSize").has_value());
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 4));

    ASSERT_TRUE(store.OpenOrCreate());
    ASSERT_TRUE(store.WriteDword(L"BlockSize", 8));
    store.Close();

    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(store.ReadBytes(L"BlockSize").has_value());
    EXPECT_FALSE(store.WriteDword(L"BlockSize", 2));
    // What was written before closing stays.
    EXPECT_EQ(QueryRaw(L"BlockSize").bytes, LittleEndian(8, 4));
}

} // namespace
} // namespace trackkit
