#pragma once

#include <optional>
#include <string>

#include "shell/file_version.h"

namespace trackkit {

// The file version in a file's version resource. Nothing when the file is
// missing, has no version resource, or its fixed part cannot be read.
std::optional<FileVersion> ReadFileVersion(const std::wstring& path);

// Row 0 of the statistics list: the version of "drivers\qxcbt.sys" below the
// given system directory as "major.minor.build", or "Unknown".
std::wstring DriverVersionText(const std::wstring& systemDirectory);

// The system directory (GetSystemDirectoryW); empty when it cannot be read.
std::wstring SystemDirectory();

} // namespace trackkit
