#pragma once

#include <string>
#include <string_view>

namespace trackkit {

// UTF-16 (Windows) or UTF-32 (elsewhere) to UTF-8; a lone surrogate becomes
// U+FFFD.
std::string Utf8(std::wstring_view text);

// UTF-8 to wide text; a byte that begins no sound sequence becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

} // namespace trackkit
