#pragma once

#include <cstddef>
#include <cstdint>

namespace trackkit {

// The symbolic name that ntstatus.h gives an NTSTATUS code, matched on the
// whole 32-bit value; "" for a code without one. Never null.
const char* NtStatusName(std::uint32_t code);

// Room of the "Status" column's text, terminator included.
inline constexpr std::size_t kStatusTextChars = 128;

// "0x%08X (name)" with upper-case digits, e.g. "0xC0000022 (STATUS_ACCESS_DENIED)";
// a code without a name reads "0x20000000 ()". Cut to what `out` holds and
// always terminated.
void FormatStatusText(std::uint32_t code, wchar_t (&out)[kStatusTextChars]);

} // namespace trackkit
