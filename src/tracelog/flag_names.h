#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trackkit {

// Bits of the tracking driver's CBT flag word that mean more than a name.
inline constexpr std::uint32_t kCbtFlagDeviceSnapshot = 0x00000004;   // a volume shadow copy device
inline constexpr std::uint32_t kCbtFlagVolumeOnline = 0x00001000;     // green trace log rows
inline constexpr std::uint32_t kCbtFlagShutdownPending = 0x80000000;  // red trace log rows; wins over online

// One named bit of the flag word. nameBytes is the size of name in bytes,
// terminator included, so drawing code knows the length without scanning.
struct CbtFlagName {
    std::uint32_t value;
    const wchar_t* name;
    std::size_t nameBytes;
};

inline constexpr std::size_t kCbtFlagCount = 26;
extern const std::array<CbtFlagName, kCbtFlagCount> CbtFlagTable;

// Calls visit(const CbtFlagName&) for each row of CbtFlagTable, in table
// order, whose bit is set in word. Bits without a row yield nothing.
template <typename Visit>
void ForEachFlagName(std::uint32_t word, Visit&& visit)
{
    for (const CbtFlagName& flag : CbtFlagTable) {
        if ((flag.value & word) != 0)
            visit(flag);
    }
}

} // namespace trackkit
