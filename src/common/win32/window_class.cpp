#include "common/win32/window_class.h"

namespace trackkit {

HINSTANCE CodeModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CodeModule), &module);
    return module;
}

bool RegisterWindowClassOnce(const WindowClassSpec& spec)
{
    const HINSTANCE instance = spec.instance != nullptr ? spec.instance : CodeModule();
    WNDCLASSEXW known{};
    known.cbSize = sizeof(known);
    if (GetClassInfoExW(instance, spec.name, &known))
        return true;
    WNDCLASSEXW wanted{};
    wanted.cbSize = sizeof(wanted);
    wanted.style = spec.style;
    wanted.lpfnWndProc = spec.procedure;
    wanted.hInstance = instance;
    wanted.hIcon = spec.icon;
    wanted.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wanted.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wanted.lpszMenuName = spec.menu;
    wanted.lpszClassName = spec.name;
    return RegisterClassExW(&wanted) != 0;
}

bool HasClassProcedure(HWND window, WNDPROC procedure)
{
    return window != nullptr && IsWindow(window) &&
           GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(procedure);
}

} // namespace trackkit
