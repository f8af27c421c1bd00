#include "common/win32/window_class.h"

namespace trackkit {

HINSTANCE CodeModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CodeModule), &module);
    return module;
}

bool RegisterWindowClassOnce(const WindowClassTraits& traits)
{
    const HINSTANCE instance = traits.instance != nullptr ? traits.instance : CodeModule();
    WNDCLASSEXW known{};
    known.cbSize = sizeof(known);
    if (GetClassInfoExW(instance, traits.name, &known))
        return true;
    WNDCLASSEXW wanted{};
    wanted.cbSize = sizeof(wanted);
    wanted.style = traits.style;
    wanted.lpfnWndProc = traits.procedure;
    wanted.hInstance = instance;
    wanted.hIcon = traits.icon;
    wanted.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wanted.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wanted.lpszMenuName = traits.menu;
    wanted.lpszClassName = traits.name;
    return RegisterClassExW(&wanted) != 0;
}

bool HasClassProcedure(HWND window, WNDPROC procedure)
{
    return window != nullptr && IsWindow(window) &&
           GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(procedure);
}

} // namespace trackkit
