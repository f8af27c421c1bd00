// The settings store over the real registry: values as they may be found in
// the user's key, and what a save leaves there.
#include <gtest/gtest.h>

#include <cwchar>

#include "registry_test_key.h"
#include "shell/settings.h"
#include "shell/win32/registry_store.h"

namespace trackkit {
namespace {

using test::LittleEndian;

constexpr std::uint32_t kHighlight = 0x00D77800;  // stands in for GetSysColor(COLOR_HIGHLIGHT)

class SettingsRegistryTest : public test::RegistryTestKey {
protected:
    AppSettings Load(bool* opened = nullptr)
    {
        RegistryStore store(Path() + L"\\");
        AppSettings settings;
        const bool result = LoadSettings(settings, store, kHighlight);
        if (opened != nullptr)
            *opened = result;
        return settings;
    }
};

TEST_F(SettingsRegistryTest, EmptyKeyLoadsTheDefaults)
{
    bool opened = false;
    const AppSettings settings = Load(&opened);

    EXPECT_TRUE(opened);
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(settings.blockSize, 9u);
    EXPECT_EQ(settings.updateSpeed, 1000u);
    EXPECT_EQ(settings.blockColor, kHighlight);
    EXPECT_EQ(settings.windowLeft, kUseDefaultPosition);
    EXPECT_EQ(settings.windowTop, kUseDefaultPosition);
    EXPECT_EQ(settings.windowWidth, kUseDefaultPosition);
    EXPECT_EQ(settings.windowHeight, kUseDefaultPosition);
}

TEST_F(SettingsRegistryTest, StoredValuesOfAnyTypeUpToFourBytesAreTakenByteForByte)
{
    SetDword(L"BlockSize", 12);
    SetDword(L"UpdateSpeed", 0x7FFFFFFF);
    SetDword(L"WindowLeft", 0xFFFFFFFB);                      // -5: the system places the frame
    SetDword(L"WindowTop", 120);
    SetRaw(L"WindowWidth", REG_BINARY, {0x20, 0x03});         // two bytes: 800
    SetRaw(L"BlockColor", REG_QWORD, LittleEndian(0xFF, 8));  // too long: the default
    SetRaw(L"WindowHeight", REG_BINARY, {0x58, 0x02, 0, 0});

    const AppSettings settings = Load();

    EXPECT_EQ(settings.blockSize, 12u);
    EXPECT_EQ(settings.updateSpeed, 0x7FFFFFFFu);
    EXPECT_EQ(settings.windowLeft, kUseDefaultPosition);
    EXPECT_EQ(settings.windowTop, 120);
    EXPECT_EQ(settings.windowWidth, 800);
    EXPECT_EQ(settings.blockColor, kHighlight);
    EXPECT_EQ(settings.windowHeight, 600);
}

TEST_F(SettingsRegistryTest, SaveWritesSevenFourByteDwords)
{
    AppSettings settings;
    settings.blockSize = 4;
    settings.updateSpeed = 0x7FFFFFFF;
    settings.blockColor = 0x00123456;
    settings.windowLeft = -20;
    settings.windowTop = kUseDefaultPosition;
    settings.windowWidth = 1024;
    settings.windowHeight = 768;
    // A value of another type already there is replaced.
    SetRaw(L"WindowWidth", REG_BINARY, {0x20, 0x03});

    RegistryStore store(Path() + L"\\");
    SaveSettings(settings, store);

    const struct {
        const wchar_t* name;
        std::uint32_t value;
    } expected[] = {
        {L"BlockSize", 4},
        {L"UpdateSpeed", 0x7FFFFFFF},
        {L"BlockColor", 0x00123456},
        {L"WindowLeft", 0xFFFFFFEC},
        {L"WindowTop", 0x80000000u},
        {L"WindowWidth", 1024},
        {L"WindowHeight", 768},
    };
    for (const auto& e : expected) {
        const auto raw = QueryRaw(e.name);
        const std::string name(e.name, e.name + wcslen(e.name));
        ASSERT_TRUE(raw.found) << name;
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(raw.bytes, LittleEndian(e.value, 4)) << name;
    }
}

TEST_F(SettingsRegistryTest, SavedSettingsLoadBackUnchanged)
{
    AppSettings saved;
    saved.blockSize = 2;
    saved.updateSpeed = 250;
    saved.blockColor = 0x00ABCDEF;
    saved.windowLeft = 10;
    saved.windowTop = 20;
    saved.windowWidth = 900;
    saved.windowHeight = 700;
    RegistryStore store(Path());
    SaveSettings(saved, store);

    const AppSettings loaded = Load();

    EXPECT_EQ(loaded.blockSize, saved.blockSize);
    EXPECT_EQ(loaded.updateSpeed, saved.updateSpeed);
    EXPECT_EQ(loaded.blockColor, saved.blockColor);
    EXPECT_EQ(loaded.windowLeft, saved.windowLeft);
    EXPECT_EQ(loaded.windowTop, saved.windowTop);
    EXPECT_EQ(loaded.windowWidth, saved.windowWidth);
    EXPECT_EQ(loaded.windowHeight, saved.windowHeight);
}

} // namespace
} // namespace trackkit
