#include "shell/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace trackkit {
namespace {

constexpr std::uint32_t kHighlight = 0x00D77800;

// A registry key in memory: raw value bytes by name, and the writes in order.
struct MemoryStore final : KeyValueStore {
    bool canOpen = true;
    bool open = false;
    std::map<std::wstring, std::vector<std::uint8_t>> values;
    std::vector<std::wstring> writes;

    bool OpenOrCreate() override { return open = canOpen; }
    std::optional<std::vector<std::uint8_t>> ReadBytes(std::wstring_view name) override
    {
        EXPECT_TRUE(open);
        const auto it = values.find(std::wstring(name));
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    bool WriteDword(std::wstring_view name, std::uint32_t value) override
    {
        EXPECT_TRUE(open);
        writes.emplace_back(name);
        PutDword(std::wstring(name).c_str(), value);
        return true;
    }
    void Close() override { open = false; }

    void PutDword(const wchar_t* name, std::uint32_t value)
    {
        values[name] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    }
};

TEST(SettingsTest, MissingValuesGetTheDefaults)
{
    MemoryStore store;
    AppSettings settings;
    EXPECT_TRUE(LoadSettings(settings, store, kHighlight));
    EXPECT_EQ(settings.blockSize, 9u);
    EXPECT_EQ(settings.updateSpeed, 1000u);
    EXPECT_EQ(settings.blockColor, kHighlight);
    EXPECT_EQ(settings.windowWidth, kUseDefaultPosition);
    EXPECT_FALSE(store.open) << "the key is closed again";
}

// Whatever the registry type, up to four bytes fill the value from its low
// byte; longer values get the default.
TEST(SettingsTest, ValuesAreTakenByteForByteUpToFourBytes)
{
    MemoryStore store;
    store.values[L"WindowWidth"] = {0x20, 0x03};                           // a two-byte REG_BINARY
    store.values[L"BlockColor"] = {1, 2, 3, 4, 5};                         // too long: default
    store.values[L"BlockSize"] = {};                                       // empty: zero
    store.values[L"UpdateSpeed"] = {0x31, 0x00, 0x00, 0x00, 0x00, 0x00};  // REG_SZ "1": too long
    store.PutDword(L"WindowLeft", 0xFFFFFFFB);                             // -5
    store.PutDword(L"WindowTop", 0x80000000);
    AppSettings settings;

    ASSERT_TRUE(LoadSettings(settings, store, kHighlight));

    EXPECT_EQ(settings.windowWidth, 800);
    EXPECT_EQ(settings.blockColor, kHighlight);
    EXPECT_EQ(settings.blockSize, 0u);
    EXPECT_EQ(settings.updateSpeed, 1000u);
    EXPECT_EQ(settings.windowLeft, kUseDefaultPosition) << "negative positions reopen where the system chooses";
    EXPECT_EQ(settings.windowTop, kUseDefaultPosition);
}

TEST(SettingsTest, AKeyThatCannotBeOpenedTouchesNothing)
{
    MemoryStore store;
    store.canOpen = false;
    AppSettings settings;
    settings.blockSize = 12;

    EXPECT_FALSE(LoadSettings(settings, store, kHighlight));
    SaveSettings(settings, store);

    EXPECT_EQ(settings.blockSize, 12u);
    EXPECT_TRUE(store.writes.empty());
}

TEST(SettingsTest, SaveWritesAllSevenInOrderAndTheyLoadBack)
{
    MemoryStore store;
    AppSettings saved{2, 0x7FFFFFFF, 0x00112233, 10, 20, 1024, 768};

    SaveSettings(saved, store);
    AppSettings loaded;
    ASSERT_TRUE(LoadSettings(loaded, store, kHighlight));

    EXPECT_EQ(store.writes, (std::vector<std::wstring>{L"BlockSize", L"UpdateSpeed", L"BlockColor", L"WindowLeft",
                                                       L"WindowTop", L"WindowWidth", L"WindowHeight"}));
    EXPECT_EQ(loaded.updateSpeed, 2147483647u);
    EXPECT_EQ(loaded.blockColor, 0x00112233u);
    EXPECT_EQ(loaded.windowLeft, 10);
    EXPECT_EQ(loaded.windowTop, 20);
    EXPECT_EQ(loaded.windowHeight, 768);
}

} // namespace
} // namespace trackkit
