#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace trackkit::ntfs {

// A name as NTFS stores it (UTF-16LE code units, no terminator) as a wide
// string: unit for unit where wchar_t is 16 bits, with surrogate pairs joined
// where it is 32. A lone surrogate stays as it is.
std::wstring WideFromUtf16(std::span<const std::uint8_t> bytes);
// The same, appended to text.
void AppendWideFromUtf16(std::span<const std::uint8_t> bytes, std::wstring& text);

// Whether a name holds a 0 unit, which no NTFS name may.
inline bool HasZeroUnit(std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == 0 && bytes[i + 1] == 0)
            return true;
    }
    return false;
}

} // namespace trackkit::ntfs
