#pragma once

// A registry value that a test sets in the real registry (the driver's
// service key) and that is put back as it was when the test ends: the old
// data restored, or the value (and a key the test created) removed.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trackkit::testing {

class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, std::wstring keyPath, std::wstring valueName)
        : root_(root), keyPath_(std::move(keyPath)), valueName_(std::move(valueName))
    {
        HKEY key = nullptr;
        keyExisted_ = RegOpenKeyExW(root_, keyPath_.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
        if (!keyExisted_)
            return;
        DWORD size = 0;
        if (RegQueryValueExW(key, valueName_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            valueExisted_ =
                RegQueryValueExW(key, valueName_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    ~SavedRegistryValue()
    {
        if (valueExisted_) {
            Set(type_, data_);
            return;
        }
        RegDeleteKeyValueW(root_, keyPath_.c_str(), valueName_.c_str());
        if (!keyExisted_)
            RegDeleteKeyW(root_, keyPath_.c_str());
    }
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

    bool Set(DWORD type, const std::vector<std::uint8_t>& data) const
    {
        return RegSetKeyValueW(root_, keyPath_.c_str(), valueName_.c_str(), type, data.data(),
                               static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }

    // A string value, terminator included.
    bool SetText(const std::wstring& text) const
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
        return Set(REG_SZ, std::vector<std::uint8_t>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY root_;
    std::wstring keyPath_;
    std::wstring valueName_;
    bool keyExisted_ = false;
    bool valueExisted_ = false;
    DWORD type_ = REG_NONE;
    std::vector<std::uint8_t> data_;
};

} // namespace trackkit::testing
