#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trackkit {

// printf-style formatting into a wide string of at most maxChars - 1
// characters, the way a fixed buffer of maxChars characters holds it: text
// that does not fit is cut. Use the portable codes only ("%ls", "%llu", "%u").
std::wstring FormatBounded(std::size_t maxChars, const wchar_t* format, ...);
std::wstring FormatBoundedV(std::size_t maxChars, const wchar_t* format, std::va_list args);

// Natural order: runs of digits compare as numbers, so "Volume2" comes
// before "Volume10"; everything else compares by character.
bool NaturalLess(std::wstring_view a, std::wstring_view b);

// The number with its digits in groups of three: "1,224,940".
std::wstring GroupedDigits(std::uint64_t value, std::wstring_view separator = L",");

// Cuts text to what a buffer of maxChars characters (terminator included) holds.
std::wstring CutToBuffer(std::wstring text, std::size_t maxChars);

} // namespace trackkit
