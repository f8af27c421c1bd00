#pragma once

#include <windows.h>

#include <utility>

namespace trackkit {

// Owns one Windows handle and lets it go, through Traits::Free, when it goes
// away. Traits says which value means "no handle" and how to free one.
// Copying is deleted, so a handle is never freed twice; moving hands it over.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    bool Valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return Valid(); }

    // Gives up ownership without freeing.
    Handle Release() { return std::exchange(handle_, Traits::Empty()); }

    void Reset(Handle handle = Traits::Empty())
    {
        if (Valid())
            Traits::Free(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Empty();
};

// Handles whose "none" is null. FreeFunction is one of the program's own
// functions below, whose address is a constant (an imported API's is not).
template <typename H, void (*FreeFunction)(H)>
struct NullableHandleTraits {
    using Handle = H;
    static constexpr Handle Empty() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Free(Handle handle) { FreeFunction(handle); }
};

// A kernel handle (file, volume, device, token): INVALID_HANDLE_VALUE and
// null both mean "no handle".
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Free(Handle handle) { CloseHandle(handle); }
};

inline void UnloadModule(HMODULE module) { FreeLibrary(module); }
inline void CloseRegistryKey(HKEY key) { RegCloseKey(key); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }
template <typename GdiHandle>
void DeleteGdiObject(GdiHandle object) { DeleteObject(object); }

// A window that nothing else destroys (a top-level helper window kept by
// another window's record). It may have gone already with its owner.
inline void DestroyWindowIfAlive(HWND window)
{
    if (IsWindow(window))
        DestroyWindow(window);
}

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueModule = UniqueResource<NullableHandleTraits<HMODULE, UnloadModule>>;
using UniqueRegistryKey = UniqueResource<NullableHandleTraits<HKEY, CloseRegistryKey>>;
using UniqueWindow = UniqueResource<NullableHandleTraits<HWND, DestroyWindowIfAlive>>;
using UniqueMemoryDc = UniqueResource<NullableHandleTraits<HDC, DeleteMemoryDc>>;
template <typename GdiHandle>
using UniqueGdiObject = UniqueResource<NullableHandleTraits<GdiHandle, DeleteGdiObject<GdiHandle>>>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueFont = UniqueGdiObject<HFONT>;

} // namespace trackkit
