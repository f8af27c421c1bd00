#include "settings/win32/registry_reader.h"

#include <array>
#include <string>

#include "settings/win32/registry_store.h"

namespace trackkit {

std::optional<std::size_t> WindowsRegistryReader::ReadBytes(std::wstring_view keyPath, std::wstring_view valueName,
                                                            std::span<std::uint8_t> buffer) const
{
    const std::wstring path(keyPath);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueRegistryKey key(opened);

    // A longer value fails with ERROR_MORE_DATA and counts as unreadable.
    const std::wstring name(valueName);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, buffer.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return size;
}

std::optional<std::uint32_t> WindowsRegistryReader::ReadDword(std::wstring_view keyPath,
                                                              std::wstring_view valueName) const
{
    // A shorter value fills the low bytes of the zero.
    std::array<std::uint8_t, 4> bytes{};
    if (!ReadBytes(keyPath, valueName, bytes))
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
}

bool QueryDarkMode()
{
    return QueryDarkMode(WindowsRegistryReader());
}

} // namespace trackkit
