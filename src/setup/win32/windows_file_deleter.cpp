#include "setup/win32/windows_file_deleter.h"

#include <windows.h>

#include <string>

namespace trackkit {

std::uint32_t WindowsFileDeleter::DeleteFileAt(std::wstring_view path)
{
    if (DeleteFileW(std::wstring(path).c_str()) == FALSE)
        return GetLastError();
    return 0;
}

} // namespace trackkit
