#pragma once

#include <windows.h>

#include <utility>

namespace trackkit {

// Owns a kernel handle (file, volume, device) and closes it when it goes away.
// INVALID_HANDLE_VALUE and null both mean "no handle". Copying is deleted, so a
// handle is never closed twice; moving hands the handle over.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }

    // Gives up ownership without closing.
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

    void Reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (Valid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace trackkit
