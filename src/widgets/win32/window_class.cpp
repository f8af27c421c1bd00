#include "widgets/win32/window_class.h"

namespace trackkit {

HINSTANCE WidgetsModule()
{
    // The module of this very function: right whether the widgets end up in
    // the executable or in a library of their own.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&WidgetsModule), &module);
    return module;
}

bool RegisterWidgetClass(const wchar_t* name, WNDPROC procedure)
{
    const HINSTANCE instance = WidgetsModule();
    WNDCLASSEXW known{};
    known.cbSize = sizeof(known);
    if (GetClassInfoExW(instance, name, &known))
        return true;
    WNDCLASSEXW wanted{};
    wanted.cbSize = sizeof(wanted);
    wanted.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wanted.lpfnWndProc = procedure;
    wanted.hInstance = instance;
    wanted.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wanted.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wanted.lpszClassName = name;
    return RegisterClassExW(&wanted) != 0;
}

bool HasClassProcedure(HWND window, WNDPROC procedure)
{
    return window != nullptr && IsWindow(window) &&
           GetClassLongPtrW(window, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(procedure);
}

} // namespace trackkit
