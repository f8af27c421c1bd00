#include "tracelog/win32/trace_log_location.h"

#include <windows.h>

#include <array>
#include <cstdint>

#include "settings/win32/registry_store.h"
#include "tracelog/trace_log_path.h"

namespace trackkit {

std::wstring& TraceLogPath()
{
    static std::wstring path;
    return path;
}

std::optional<std::wstring> ReadDebugLogPath()
{
    // Reading needs nothing more than query access.
    const std::wstring keyPath(kServiceKeyPath);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegistryKey key(opened);
    const std::wstring valueName(kDebugLogPathValue);
    std::array<std::uint8_t, kDebugLogPathValueBytes> data{};
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return LogPathFromRegistryValue(std::span<const std::uint8_t>(data.data(), size));
}

} // namespace trackkit
