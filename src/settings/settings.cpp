#include "settings/settings.h"

#include <array>
#include <cstring>

namespace trackkit {
namespace {

constexpr std::uint32_t kDefaultBlockSize = 9;  // none of the menu's sizes: the block map picks "Small"
constexpr std::uint32_t kDefaultUpdateSpeed = 1000;
constexpr std::size_t kDwordBytes = 4;

// One stored value: its registry name and where it lives in AppSettings.
struct SettingField {
    std::wstring_view name;
    std::uint32_t AppSettings::*unsignedField;
    std::int32_t AppSettings::*signedField;
};

constexpr std::array<SettingField, 7> kFields = {{
    {L"BlockSize", &AppSettings::blockSize, nullptr},
    {L"UpdateSpeed", &AppSettings::updateSpeed, nullptr},
    {L"BlockColor", &AppSettings::blockColor, nullptr},
    {L"WindowLeft", nullptr, &AppSettings::windowLeft},
    {L"WindowTop", nullptr, &AppSettings::windowTop},
    {L"WindowWidth", nullptr, &AppSettings::windowWidth},
    {L"WindowHeight", nullptr, &AppSettings::windowHeight},
}};

std::uint32_t DefaultFor(const SettingField& field, std::uint32_t highlightColor)
{
    if (field.unsignedField == &AppSettings::blockSize)
        return kDefaultBlockSize;
    if (field.unsignedField == &AppSettings::updateSpeed)
        return kDefaultUpdateSpeed;
    if (field.unsignedField == &AppSettings::blockColor)
        return highlightColor;
    return static_cast<std::uint32_t>(kUseDefaultPosition);
}

std::uint32_t Get(const AppSettings& settings, const SettingField& field)
{
    return field.unsignedField ? settings.*field.unsignedField : static_cast<std::uint32_t>(settings.*field.signedField);
}

void Set(AppSettings& settings, const SettingField& field, std::uint32_t value)
{
    if (field.unsignedField)
        settings.*field.unsignedField = value;
    else
        settings.*field.signedField = static_cast<std::int32_t>(value);
}

// The registry type is not examined: a value of up to four bytes fills the
// field from its least significant byte, so a two-byte REG_BINARY works too.
std::optional<std::uint32_t> DwordFromBytes(const std::optional<std::vector<std::uint8_t>>& bytes)
{
    if (!bytes || bytes->size() > kDwordBytes)
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes->size(); ++i)
        value |= static_cast<std::uint32_t>((*bytes)[i]) << (8 * i);
    return value;
}

// A window that was closed on a monitor left of or above the primary one
// reopens where the system chooses rather than off screen.
std::int32_t PositionOrDefault(std::int32_t value) { return value < 0 ? kUseDefaultPosition : value; }

} // namespace

bool LoadSettings(AppSettings& settings, KeyValueStore& store, std::uint32_t highlightColor)
{
    if (!store.OpenOrCreate())
        return false;
    for (const SettingField& field : kFields) {
        const auto value = DwordFromBytes(store.ReadBytes(field.name));
        Set(settings, field, value.value_or(DefaultFor(field, highlightColor)));
    }
    settings.windowLeft = PositionOrDefault(settings.windowLeft);
    settings.windowTop = PositionOrDefault(settings.windowTop);
    settings.windowWidth = PositionOrDefault(settings.windowWidth);
    settings.windowHeight = PositionOrDefault(settings.windowHeight);
    store.Close();
    return true;
}

void SaveSettings(const AppSettings& settings, KeyValueStore& store)
{
    if (!store.OpenOrCreate())
        return;
    for (const SettingField& field : kFields)
        store.WriteDword(field.name, Get(settings, field));
    store.Close();
}

} // namespace trackkit
