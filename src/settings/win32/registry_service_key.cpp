#include "settings/win32/registry_service_key.h"

#include <utility>

namespace trackkit {

RegistryServiceKey::RegistryServiceKey(std::wstring subKeyPath, HKEY root)
    : root_(root), subKeyPath_(std::move(subKeyPath))
{
}

bool RegistryServiceKey::OpenForQuery()
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, subKeyPath_.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    queryKey_.Reset(opened);
    return true;
}

ServiceValue RegistryServiceKey::Query(std::wstring_view name)
{
    ServiceValue value;
    if (!queryKey_.Valid())
        return value;
    // A value longer than four bytes fails with ERROR_MORE_DATA and is not read.
    const std::wstring valueName(name);
    DWORD type = REG_NONE;
    DWORD number = 0;
    DWORD size = sizeof number;
    value.read = RegQueryValueExW(queryKey_.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                                  &size) == ERROR_SUCCESS;
    value.type = type;
    value.size = size;
    value.number = number;
    return value;
}

void RegistryServiceKey::Close() { queryKey_.Reset(); }

std::uint32_t RegistryServiceKey::WriteDword(std::wstring_view name, std::uint32_t value)
{
    HKEY opened = nullptr;
    const LSTATUS openStatus = RegOpenKeyExW(root_, subKeyPath_.c_str(), 0, KEY_SET_VALUE, &opened);
    if (openStatus != ERROR_SUCCESS)
        return static_cast<std::uint32_t>(openStatus);
    const UniqueRegistryKey key(opened);
    const std::wstring valueName(name);
    const DWORD number = value;
    return static_cast<std::uint32_t>(RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_DWORD,
                                                     reinterpret_cast<const BYTE*>(&number), sizeof number));
}

} // namespace trackkit
