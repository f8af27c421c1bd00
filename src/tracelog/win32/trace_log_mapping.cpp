#include "tracelog/win32/trace_log_mapping.h"

#include <algorithm>

#include "tracelog/trace_log_format.h"
#include "tracelog/win32/trace_log_open.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kLongestView = 0xFFFFFFFF;

// The thread's last error, never 0: a call that failed must not read as success.
std::uint32_t FailureCode()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

TraceLogFile Failed(std::uint32_t error, bool mapping = false)
{
    TraceLogFile file;
    file.error = error;
    file.mappingFailed = mapping;
    return file;
}

} // namespace

TraceLogFile MapTraceLog(std::wstring_view path)
{
    const UniqueHandle file = OpenTraceLog(path);
    if (!file.Valid())
        return Failed(FailureCode());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return Failed(FailureCode());
    if (size.QuadPart <= 0)
        return Failed(kErrorFileInvalid);
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), kLongestView));

    // The view keeps the section alive; its handle is not needed past the mapping.
    const UniqueHandle section(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!section.Valid())
        return Failed(FailureCode(), true);
    TraceLogFile mapped;
    mapped.view = UniqueFileView(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, length));
    if (!mapped.view.Valid())
        return Failed(FailureCode(), true);
    mapped.bytes = length;
    return mapped;
}

} // namespace trackkit
