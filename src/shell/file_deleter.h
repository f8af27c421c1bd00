#pragma once

#include <string_view>

namespace trackkit {

// Deletes one file by its full path; false when it could not (absent, in
// use, access denied).
class FileDeleter {
public:
    virtual ~FileDeleter() = default;
    virtual bool DeleteFileAt(std::wstring_view path) = 0;
};

} // namespace trackkit
