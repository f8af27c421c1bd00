#pragma once

#include <cstdint>
#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace trackkit {

// The user's registry key (under HKEY_CURRENT_USER) that holds AppSettings.
inline constexpr std::wstring_view kSettingsKeyPath = L"Software\\Quillon\\ZezudoZozor\\";
inline constexpr std::int32_t kUseDefaultPosition = static_cast<std::int32_t>(0x80000000u);  // CW_USEDEFAULT

// The poll period that stands for "&Paused": no timer at all.
inline constexpr std::uint32_t kPollPaused = 0x7FFFFFFF;

// The eleven settings kept between runs. Zero until loaded.
struct AppSettings {
    std::uint32_t blockSize = 0;    // BlockSize: cell size at 96 DPI
    std::uint32_t updateSpeed = 0;  // UpdateSpeed: poll period in ms
    std::uint32_t blockColor = 0;   // BlockColor: COLORREF of fully changed cells
    std::int32_t windowLeft = 0;    // WindowLeft ... WindowHeight: the frame's rectangle
    std::int32_t windowTop = 0;
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
    std::int32_t traceLogLeft = 0;  // TraceLogLeft ... TraceLogHeight: the trace log dialog's rectangle
    std::int32_t traceLogTop = 0;
    std::int32_t traceLogWidth = 0;
    std::int32_t traceLogHeight = 0;
};

enum class SettingId {
    BlockSize,
    UpdateSpeed,
    BlockColor,
    WindowLeft,
    WindowTop,
    WindowWidth,
    WindowHeight,
    TraceLogLeft,
    TraceLogTop,
    TraceLogWidth,
    TraceLogHeight,
};

// How a setting's stored DWORD is read.
enum class SettingType {
    Unsigned,  // taken as it is
    Colour,    // a COLORREF; missing, it is the highlight colour of the day
    Position,  // signed; a negative one lets the system choose
};

// One setting: its registry value, its type and default, and the values the
// program accepts (none listed: any). A loaded value that is none of the
// accepted ones becomes the fallback when the View menu's rules are applied.
struct SettingRule {
    SettingId id;
    std::wstring_view name;
    SettingType type;
    std::uint32_t defaultValue;
    std::span<const std::uint32_t> accepted;
    std::uint32_t fallback;
};

// "Block Size", from "&Large" to "Smalles&t": cell sizes in pixels at 96 DPI.
inline constexpr std::array<std::uint32_t, 4> kBlockSizes{12, 8, 4, 2};
// "&Update Speed", from "&High" to "&Paused": milliseconds between polls.
inline constexpr std::array<std::uint32_t, 4> kUpdateSpeeds{250, 1000, 10000, kPollPaused};

// The eleven values in their stored order. BlockSize's default is none of
// the sizes, so a first run shows "&Small".
inline constexpr std::array<SettingRule, 11> kSettingRules{{
    {SettingId::BlockSize, L"BlockSize", SettingType::Unsigned, 9, kBlockSizes, 4},
    {SettingId::UpdateSpeed, L"UpdateSpeed", SettingType::Unsigned, 1000, kUpdateSpeeds, 1000},
    {SettingId::BlockColor, L"BlockColor", SettingType::Colour, 0, {}, 0},
    {SettingId::WindowLeft, L"WindowLeft", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::WindowTop, L"WindowTop", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::WindowWidth, L"WindowWidth", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::WindowHeight, L"WindowHeight", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::TraceLogLeft, L"TraceLogLeft", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::TraceLogTop, L"TraceLogTop", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::TraceLogWidth, L"TraceLogWidth", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
    {SettingId::TraceLogHeight, L"TraceLogHeight", SettingType::Position, static_cast<std::uint32_t>(kUseDefaultPosition), {}, 0},
}};

const SettingRule& RuleOf(SettingId id);
std::uint32_t SettingValue(const AppSettings& settings, SettingId id);
void SetSettingValue(AppSettings& settings, SettingId id, std::uint32_t value);

// Replaces each value that is none of its setting's accepted values by the
// fallback: the View menu then has exactly one item checked per group.
void ApplyAcceptedValues(AppSettings& settings);

// A key of named values: the registry on Windows, a map in tests.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    // Opens the key, creating it when it is missing.
    virtual bool OpenOrCreate() = 0;
    // The raw bytes of a value, whatever its type; nothing when it is missing
    // or cannot be read.
    virtual std::optional<std::vector<std::uint8_t>> ReadBytes(std::wstring_view name) = 0;
    virtual bool WriteDword(std::wstring_view name, std::uint32_t value) = 0;
    virtual void Close() = 0;
};

// Loads the eleven values in their fixed order. A value of at most 4 bytes is
// taken byte for byte; a missing or longer one gets its default (the
// highlight colour for BlockColor). Negative window values become
// kUseDefaultPosition. Returns false, touching nothing, when the key cannot be
// opened.
bool LoadSettings(AppSettings& settings, KeyValueStore& store, std::uint32_t highlightColor);

// Writes the eleven values as DWORDs, in order. Nothing is saved when the key
// cannot be opened.
void SaveSettings(const AppSettings& settings, KeyValueStore& store);

} // namespace trackkit
