#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "shell/settings.h"

namespace trackkit {

// Owns an open registry key and closes it when it goes away. Not copyable.
class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() { Reset(); }

    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.key_, nullptr));
        return *this;
    }

    bool Valid() const { return key_ != nullptr; }
    HKEY Get() const { return key_; }

    void Reset(HKEY key = nullptr)
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
        key_ = key;
    }

private:
    HKEY key_ = nullptr;
};

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
    RegistryKey key_;
};

} // namespace trackkit
