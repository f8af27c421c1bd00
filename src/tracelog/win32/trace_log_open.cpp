#include "tracelog/win32/trace_log_open.h"

#include <windows.h>
#include <winternl.h>

#include <optional>
#include <string>

#include "tracelog/trace_log_path.h"

namespace trackkit {
namespace {

constexpr ACCESS_MASK kReadAccess = SYNCHRONIZE | FILE_READ_ATTRIBUTES | FILE_READ_DATA;
static_assert(kReadAccess == 0x00100081);
constexpr ULONG kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kSynchronousIoNonAlert = 0x20;
constexpr ULONG kNonDirectoryFile = 0x40;
constexpr DWORD kNtStatusErrorBit = 0x10000000;

} // namespace

UniqueHandle OpenTraceLog(std::wstring_view path)
{
    std::optional<std::wstring> name = TraceLogObjectName(path);
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    UNICODE_STRING objectName;
    objectName.Buffer = name->data();
    objectName.Length = static_cast<USHORT>(name->size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.ObjectName = &objectName;
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status =
        NtOpenFile(&handle, kReadAccess, &attributes, &io, kShareReadWrite, kSynchronousIoNonAlert | kNonDirectoryFile);
    if (status < 0) {
        SetLastError(static_cast<DWORD>(status) | kNtStatusErrorBit);
        return {};
    }
    return UniqueHandle(handle);
}

} // namespace trackkit
