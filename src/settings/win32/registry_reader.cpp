#include "settings/win32/registry_reader.h"

#include <string>

#include "settings/win32/registry_store.h"

namespace trackkit {

std::optional<std::uint32_t> WindowsRegistryReader::ReadDword(std::wstring_view keyPath,
                                                              std::wstring_view valueName) const
{
    const std::wstring path(keyPath);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegistryKey key(opened);

    // A four-byte buffer: a longer value fails with ERROR_MORE_DATA and
    // counts as unreadable, a shorter one fills the low bytes of the zero.
    const std::wstring name(valueName);
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool QueryDarkMode()
{
    return QueryDarkMode(WindowsRegistryReader());
}

} // namespace trackkit
