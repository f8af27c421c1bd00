#include "tracelog/trace_log_path.h"

#include <array>

namespace trackkit {

std::optional<std::wstring> LogPathFromRegistryValue(std::span<const std::uint8_t> data)
{
    if (data.size() <= kDebugLogPathMinimumBytes || data.size() > kDebugLogPathValueBytes)
        return std::nullopt;
    // As read into a zero-filled buffer: an odd last byte is a unit's low half.
    std::array<char16_t, kTraceLogPathChars> units{};
    for (std::size_t i = 0; i < data.size(); ++i)
        units[i / 2] = static_cast<char16_t>(units[i / 2] | data[i] << (8 * (i % 2)));
    std::wstring path;
    for (const char16_t unit : units) {
        if (unit == 0)
            return path;
        path.push_back(static_cast<wchar_t>(unit));
    }
    return std::nullopt;
}

std::optional<std::wstring> FitLogPath(std::wstring_view chosen)
{
    if (chosen.size() >= kTraceLogPathChars)
        return std::nullopt;
    return std::wstring(chosen);
}

std::optional<std::wstring> TraceLogObjectName(std::wstring_view path)
{
    if (path.empty())
        return std::nullopt;
    std::wstring name = path.front() == L'\\' ? std::wstring(path) : L"\\??\\" + std::wstring(path);
    if (name.size() * 2 > kMaxObjectNameBytes)
        return std::nullopt;
    return name;
}

} // namespace trackkit
