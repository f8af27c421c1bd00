#pragma once

#include <string>

namespace trackkit {

// Row 0 of the statistics list: the version of "drivers\qxcbt.sys" below the
// given system directory as "major.minor.build", or "Unknown".
std::wstring DriverVersionText(const std::wstring& systemDirectory);

} // namespace trackkit
