#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

namespace trackkit {
namespace {

constexpr std::uint32_t kHighlight = 0x00D77800;

// A registry key in memory: raw value bytes by name, and the writes in order.
struct MemoryStore final : KeyValueStore {
    bool canOpen = true, open = false;
    std::map<std::wstring, std::vector<std::uint8_t>> values;
    std::vector<std::wstring> writes;

    bool OpenOrCreate() override { return open = canOpen; }
    std::optional<std::vector<std::uint8_t>> ReadBytes(std::wstring_view name) override
    {
        EXPECT_TRUE(open);
        return values.contains(std::wstring(name)) ? std::optional(values[std::wstring(name)]) : std::nullopt;
    }
    bool WriteDword(std::wstring_view name, std::uint32_t v) override
    {
        EXPECT_TRUE(open);
        writes.emplace_back(name);
        values[std::wstring(name)] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        return true;
    }
    void Close() override { open = false; }
};

const auto All = [](const AppSettings& s) {
    return std::tuple(s.blockSize, s.updateSpeed, s.blockColor, s.windowLeft, s.windowTop, s.windowWidth, s.windowHeight,
                      s.traceLogLeft, s.traceLogTop, s.traceLogWidth, s.traceLogHeight);
};

// Whatever the registry type, up to four bytes fill the value from its low
// byte; longer or missing values get the default, and so do negative positions.
TEST(SettingsTest, ValuesAreTakenByteForByteUpToFourBytes)
{
    MemoryStore store;
    store.values = {
        {L"UpdateSpeed", {0x31, 0x00, 0x00, 0x00, 0x00, 0x00}},  // REG_SZ "1": too long
        {L"BlockColor", {1, 2, 3, 4, 5}},                        // too long
        {L"WindowLeft", {0xFB, 0xFF, 0xFF, 0xFF}},               // -5
        {L"WindowTop", {0x00, 0x00, 0x00, 0x80}},
        {L"WindowWidth", {0x20, 0x03}},                          // a two-byte REG_BINARY
        {L"WindowHeight", {}},                                   // empty: zero
    };  // BlockSize missing
    AppSettings settings;

    ASSERT_TRUE(LoadSettings(settings, store, kHighlight));

    EXPECT_EQ(All(settings), std::tuple(9u, 1000u, kHighlight, kUseDefaultPosition, kUseDefaultPosition, 800, 0,
                                        kUseDefaultPosition, kUseDefaultPosition, kUseDefaultPosition, kUseDefaultPosition));
    EXPECT_FALSE(store.open) << "the key is closed again";
}

// A key that cannot be opened is neither read nor written.
TEST(SettingsTest, SaveWritesAllInOrderAndTheyLoadBackOnlyThroughAnOpenKey)
{
    MemoryStore store;
    const AppSettings saved{2, 0x7FFFFFFF, 0x00112233, 10, 20, 1024, 768, 30, 40, 900, 600};

    SaveSettings(saved, store);
    AppSettings loaded;
    ASSERT_TRUE(LoadSettings(loaded, store, kHighlight));

    EXPECT_EQ(store.writes, (std::vector<std::wstring>{L"BlockSize", L"UpdateSpeed", L"BlockColor", L"WindowLeft",
                                                       L"WindowTop", L"WindowWidth", L"WindowHeight", L"TraceLogLeft",
                                                       L"TraceLogTop", L"TraceLogWidth", L"TraceLogHeight"}));
    EXPECT_EQ(All(loaded), All(saved));

    store.canOpen = false;
    SaveSettings(AppSettings{}, store);
    EXPECT_FALSE(LoadSettings(loaded, store, kHighlight));
    EXPECT_EQ(All(loaded), All(saved));
    EXPECT_EQ(store.writes.size(), kSettingRules.size()) << "nothing more written";
}

} // namespace
} // namespace trackkit
