#pragma once

#include <cstdint>
#include <string_view>

namespace trackkit {

// Windows' answers for a file that is not there.
inline constexpr std::uint32_t kErrorFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorPathNotFound = 3;  // ERROR_PATH_NOT_FOUND

// Deletes one file by its full path: 0 when it did, otherwise the Windows
// error that explains why not (absent, in use, access denied).
class FileDeleter {
public:
    virtual ~FileDeleter() = default;
    virtual std::uint32_t DeleteFileAt(std::wstring_view path) = 0;
};

} // namespace trackkit
