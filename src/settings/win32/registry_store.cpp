#include "settings/win32/registry_store.h"

namespace trackkit {
namespace {

// A value can change size between asking for its size and reading it; a few
// tries are enough for anything but a value rewritten in a tight loop.
constexpr int kReadAttempts = 4;

} // namespace

RegistryStore::RegistryStore(std::wstring subKeyPath, HKEY root) : root_(root), subKeyPath_(std::move(subKeyPath)) {}

bool RegistryStore::OpenOrCreate()
{
    key_.Reset();
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(root_, subKeyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return false;
    key_.Reset(key);
    return true;
}

std::optional<std::vector<std::uint8_t>> RegistryStore::ReadBytes(std::wstring_view name)
{
    if (!key_.Valid())
        return std::nullopt;
    const std::wstring valueName(name);
    std::vector<std::uint8_t> bytes;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(key_.Get(), valueName.c_str(), nullptr, nullptr, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        if (size == 0)
            return bytes;
        bytes.resize(size);
        status = RegQueryValueExW(key_.Get(), valueName.c_str(), nullptr, nullptr, bytes.data(), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        bytes.resize(size);
        return bytes;
    }
    return std::nullopt;
}

bool RegistryStore::WriteDword(std::wstring_view name, std::uint32_t value)
{
    if (!key_.Valid())
        return false;
    const std::wstring valueName(name);
    const DWORD data = value;
    return RegSetValueExW(key_.Get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

void RegistryStore::Close()
{
    key_.Reset();
}

AppSettings LoadProgramSettings()
{
    AppSettings settings;
    RegistryStore store;
    LoadSettings(settings, store, GetSysColor(COLOR_HIGHLIGHT));
    ApplyAcceptedValues(settings);
    return settings;
}

void SaveProgramSettings(const AppSettings& settings)
{
    RegistryStore store;
    SaveSettings(settings, store);
}

} // namespace trackkit
