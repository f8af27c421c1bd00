#include "tracelog/win32/trace_log_location.h"

#include <array>
#include <cstdint>

#include "settings/win32/registry_reader.h"
#include "tracelog/trace_log_path.h"

namespace trackkit {

std::optional<std::wstring> ReadDebugLogPath()
{
    std::array<std::uint8_t, kDebugLogPathValueBytes> data{};
    const std::optional<std::size_t> size =
        WindowsRegistryReader(HKEY_LOCAL_MACHINE).ReadBytes(kServiceKeyPath, kDebugLogPathValue, data);
    if (!size)
        return std::nullopt;
    return LogPathFromRegistryValue(std::span<const std::uint8_t>(data.data(), *size));
}

} // namespace trackkit
