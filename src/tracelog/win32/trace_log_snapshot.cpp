#include "tracelog/win32/trace_log_snapshot.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "tracelog/trace_log_format.h"
#include "tracelog/win32/trace_log_open.h"

namespace trackkit {
namespace {

constexpr std::uint64_t kLongestRead = 0xFFFFFFFF;

// The thread's last error, never 0: a call that failed must not read as success.
std::uint32_t FailureCode()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

TraceLogSnapshot Failed(std::uint32_t error)
{
    TraceLogSnapshot snapshot;
    snapshot.error = error;
    return snapshot;
}

} // namespace

VirtualBuffer::VirtualBuffer(std::size_t bytes)
    : data_(static_cast<std::uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
{
}

VirtualBuffer::~VirtualBuffer() { Release(); }

VirtualBuffer::VirtualBuffer(VirtualBuffer&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}

VirtualBuffer& VirtualBuffer::operator=(VirtualBuffer&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
}

void VirtualBuffer::Release()
{
    if (data_ != nullptr)
        VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
}

TraceLogSnapshot ReadTraceLogSnapshot(std::wstring_view path)
{
    const UniqueHandle file = OpenTraceLog(path);
    if (!file.Valid())
        return Failed(FailureCode());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return Failed(FailureCode());
    if (size.QuadPart <= 0)
        return Failed(kErrorFileInvalid);
    const DWORD length = static_cast<DWORD>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), kLongestRead));

    TraceLogSnapshot snapshot;
    snapshot.buffer = VirtualBuffer(length);
    if (!snapshot.buffer)
        return Failed(FailureCode());
    DWORD read = 0;
    if (!ReadFile(file.Get(), snapshot.buffer.Data(), length, &read, nullptr))
        return Failed(FailureCode());
    // A file that shrank since its size was taken gives fewer bytes.
    snapshot.bytes = read;
    return snapshot;
}

} // namespace trackkit
