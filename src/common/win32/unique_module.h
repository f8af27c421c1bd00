#pragma once

#include <windows.h>

#include <utility>

namespace trackkit {

// Owns a loaded module (LoadLibraryExW) and frees it when it goes away.
// Copying is deleted, so a module is never freed twice.
class UniqueModule {
public:
    UniqueModule() = default;
    explicit UniqueModule(HMODULE module) : module_(module) {}
    ~UniqueModule() { Reset(); }

    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;
    UniqueModule(UniqueModule&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    UniqueModule& operator=(UniqueModule&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.module_, nullptr));
        return *this;
    }

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

    void Reset(HMODULE module = nullptr)
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = module;
    }

private:
    HMODULE module_ = nullptr;
};

} // namespace trackkit
