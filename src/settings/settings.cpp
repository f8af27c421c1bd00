#include "settings/settings.h"

#include <array>
#include <cstring>

namespace trackkit {
namespace {

constexpr std::size_t kDwordBytes = 4;

// Where each setting lives in AppSettings, in the order of kSettingRules.
struct SettingField {
    std::uint32_t AppSettings::*unsignedField;
    std::int32_t AppSettings::*signedField;
};

constexpr std::array<SettingField, kSettingRules.size()> kFields = {{
    {&AppSettings::blockSize, nullptr},
    {&AppSettings::updateSpeed, nullptr},
    {&AppSettings::blockColor, nullptr},
    {nullptr, &AppSettings::windowLeft},
    {nullptr, &AppSettings::windowTop},
    {nullptr, &AppSettings::windowWidth},
    {nullptr, &AppSettings::windowHeight},
    {nullptr, &AppSettings::traceLogLeft},
    {nullptr, &AppSettings::traceLogTop},
    {nullptr, &AppSettings::traceLogWidth},
    {nullptr, &AppSettings::traceLogHeight},
}};

constexpr bool RulesInIdOrder()
{
    for (std::size_t i = 0; i < kSettingRules.size(); ++i)
        if (static_cast<std::size_t>(kSettingRules[i].id) != i)
            return false;
    return true;
}
static_assert(RulesInIdOrder(), "kSettingRules is indexed by SettingId");

const SettingField& FieldOf(SettingId id) { return kFields[static_cast<std::size_t>(id)]; }

std::uint32_t DefaultFor(const SettingRule& rule, std::uint32_t highlightColor)
{
    return rule.type == SettingType::Colour ? highlightColor : rule.defaultValue;
}

bool IsAccepted(const SettingRule& rule, std::uint32_t value)
{
    if (rule.accepted.empty())
        return true;
    for (const std::uint32_t accepted : rule.accepted)
        if (accepted == value)
            return true;
    return false;
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
std::uint32_t PositionOrDefault(std::uint32_t value)
{
    return static_cast<std::int32_t>(value) < 0 ? static_cast<std::uint32_t>(kUseDefaultPosition) : value;
}

} // namespace

const SettingRule& RuleOf(SettingId id) { return kSettingRules[static_cast<std::size_t>(id)]; }

std::uint32_t SettingValue(const AppSettings& settings, SettingId id)
{
    const SettingField& field = FieldOf(id);
    return field.unsignedField ? settings.*field.unsignedField : static_cast<std::uint32_t>(settings.*field.signedField);
}

void SetSettingValue(AppSettings& settings, SettingId id, std::uint32_t value)
{
    const SettingField& field = FieldOf(id);
    if (field.unsignedField)
        settings.*field.unsignedField = value;
    else
        settings.*field.signedField = static_cast<std::int32_t>(value);
}

void ApplyAcceptedValues(AppSettings& settings)
{
    for (const SettingRule& rule : kSettingRules)
        if (!IsAccepted(rule, SettingValue(settings, rule.id)))
            SetSettingValue(settings, rule.id, rule.fallback);
}

bool LoadSettings(AppSettings& settings, KeyValueStore& store, std::uint32_t highlightColor)
{
    if (!store.OpenOrCreate())
        return false;
    for (const SettingRule& rule : kSettingRules) {
        std::uint32_t value = DwordFromBytes(store.ReadBytes(rule.name)).value_or(DefaultFor(rule, highlightColor));
        if (rule.type == SettingType::Position)
            value = PositionOrDefault(value);
        SetSettingValue(settings, rule.id, value);
    }
    store.Close();
    return true;
}

void SaveSettings(const AppSettings& settings, KeyValueStore& store)
{
    if (!store.OpenOrCreate())
        return;
    for (const SettingRule& rule : kSettingRules)
        store.WriteDword(rule.name, SettingValue(settings, rule.id));
    store.Close();
}

} // namespace trackkit
