#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/file_version.h"

namespace trackkit {

// The file version in a file's version resource. Nothing when the file is
// missing, has no version resource, or its fixed part cannot be read.
std::optional<FileVersion> ReadFileVersion(const std::wstring& path);

// The system directory (GetSystemDirectoryW); empty when it cannot be read.
std::wstring SystemDirectory();

} // namespace trackkit
