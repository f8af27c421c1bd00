#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_version.h"

namespace trackkit {

// What the About box's version line says until the program's version is known.
inline constexpr std::wstring_view kAboutDefaultVersionText = L"Version 1.00";
inline constexpr std::size_t kAboutVersionTextChars = 64;

// "Version major.minor, Build build" of the program's own file version, or
// the default text when it could not be read.
std::wstring AboutVersionText(const std::optional<FileVersion>& version);

} // namespace trackkit
