#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace trackkit {

// The user's registry key (under HKEY_CURRENT_USER) that holds AppSettings.
inline constexpr std::wstring_view kSettingsKeyPath = L"Software\\Quillon\\ZezudoZozor\\";
inline constexpr std::int32_t kUseDefaultPosition = static_cast<std::int32_t>(0x80000000u);  // CW_USEDEFAULT

// The seven settings kept between runs. Zero until loaded.
struct AppSettings {
    std::uint32_t blockSize = 0;    // BlockSize: cell size at 96 DPI
    std::uint32_t updateSpeed = 0;  // UpdateSpeed: poll period in ms
    std::uint32_t blockColor = 0;   // BlockColor: COLORREF of fully changed cells
    std::int32_t windowLeft = 0;    // WindowLeft ... WindowHeight: the frame's rectangle
    std::int32_t windowTop = 0;
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
};

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

// Loads the seven values in their fixed order. A value of at most 4 bytes is
// taken byte for byte; a missing or longer one gets its default (the
// highlight colour for BlockColor). Negative window values become
// kUseDefaultPosition. Returns false, touching nothing, when the key cannot be
// opened.
bool LoadSettings(AppSettings& settings, KeyValueStore& store, std::uint32_t highlightColor);

// Writes the seven values as DWORDs, in order. Nothing is saved when the key
// cannot be opened.
void SaveSettings(const AppSettings& settings, KeyValueStore& store);

} // namespace trackkit
