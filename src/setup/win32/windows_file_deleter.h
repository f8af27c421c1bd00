#pragma once

#include "setup/file_deleter.h"

namespace trackkit {

// DeleteFileW.
class WindowsFileDeleter final : public FileDeleter {
public:
    std::uint32_t DeleteFileAt(std::wstring_view path) override;
};

} // namespace trackkit
