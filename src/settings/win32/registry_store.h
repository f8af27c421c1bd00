#pragma once

#include <windows.h>

#include <string>

#include "common/win32/unique_handles.h"
#include "settings/settings.h"

namespace trackkit {

// A key of the registry as a KeyValueStore: by default the user's TrackKit
// key (HKEY_CURRENT_USER\Software\Quillon\ZezudoZozor\). Values are read as
// raw bytes whatever their type, and written as REG_DWORD.
class RegistryStore final : public KeyValueStore {
public:
    explicit RegistryStore(std::wstring subKeyPath = std::wstring(kSettingsKeyPath), HKEY root = HKEY_CURRENT_USER);

    // Creates the key when it is missing. An already open key is reopened.
    bool OpenOrCreate() override;
    // Any size; nothing when the key is not open or the value is missing or
    // cannot be read.
    std::optional<std::vector<std::uint8_t>> ReadBytes(std::wstring_view name) override;
    // A REG_DWORD of 4 bytes; false when the key is not open or the write fails.
    bool WriteDword(std::wstring_view name, std::uint32_t value) override;
    void Close() override;

    bool IsOpen() const { return key_.Valid(); }

private:
    HKEY root_;
    std::wstring subKeyPath_;
    UniqueRegistryKey key_;
};

// The user's stored settings, with the View menu's rules applied (each group
// shows exactly one of its choices); the block colour defaults to the
// system's highlight colour.
AppSettings LoadProgramSettings();
void SaveProgramSettings(const AppSettings& settings);

} // namespace trackkit
