#include "shell/win32/windows_file_deleter.h"

#include <windows.h>

#include <string>

namespace trackkit {

bool WindowsFileDeleter::DeleteFileAt(std::wstring_view path)
{
    return DeleteFileW(std::wstring(path).c_str()) != FALSE;
}

} // namespace trackkit
