#pragma once

#include "shell/file_deleter.h"

namespace trackkit {

// DeleteFileW.
class WindowsFileDeleter final : public FileDeleter {
public:
    bool DeleteFileAt(std::wstring_view path) override;
};

} // namespace trackkit
