#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trackkit::test {

// A registry key of its own for each test, below a parent that only tests
// use, so that the user's TrackKit settings are never touched. The key does
// not exist when the test starts and is removed when it ends.
class RegistryTestKey : public ::testing::Test {
protected:
    static constexpr const wchar_t* kParent = L"Software\\Quillon\\ZezudoZozorTest";

    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        path_ = std::wstring(kParent) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::wstring(name.begin(), name.end());
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // only once no other test's key is left
    }

    const std::wstring& Path() const { return path_; }

    bool KeyExists() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    // Stores a value of any type, creating the key if needed.
    void SetRaw(const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& bytes) const
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const LSTATUS status = RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }

    void SetDword(const wchar_t* name, std::uint32_t value) const
    {
        SetRaw(name, REG_DWORD,
               {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
    }

    struct RawValue {
        bool found = false;
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> bytes;
    };

    // Reads a value back the way Windows stores it, type included.
    RawValue QueryRaw(const wchar_t* name) const
    {
        RawValue value;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return value;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.bytes.resize(size);
            value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
            value.bytes.resize(size);
        }
        RegCloseKey(key);
        return value;
    }

private:
    std::wstring path_;
};

inline std::vector<std::uint8_t> LittleEndian(std::uint64_t value, std::size_t bytes)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return out;
}

} // namespace trackkit::test
