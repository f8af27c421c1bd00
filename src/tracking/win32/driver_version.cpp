#include "tracking/win32/driver_version.h"

#include "common/win32/file_version_reader.h"
#include "tracking/statistics.h"

namespace trackkit {

std::wstring DriverVersionText(const std::wstring& systemDirectory)
{
    // Without a folder the driver's path would be relative, and a file of
    // that name in the current directory would pass for the driver.
    if (systemDirectory.empty())
        return FormatDriverVersion(std::nullopt);
    return FormatDriverVersion(ReadFileVersion(AppendPath(systemDirectory, kDriverFileInSystemDirectory)));
}

} // namespace trackkit
