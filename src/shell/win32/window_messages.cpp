#include "shell/win32/window_messages.h"

#include <string>

namespace trackkit {
namespace {

void ShowMessageBox(HWND owner, std::wstring_view caption, std::wstring_view text, MessageIcon icon)
{
    const std::wstring captionText(caption);
    const std::wstring bodyText(text);
    MessageBoxW(owner, bodyText.c_str(), captionText.c_str(), MB_OK | static_cast<UINT>(icon));
}

} // namespace

void WindowMessages::Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon)
{
    ShowMessageBox(owner_, caption, text, icon);
}

void WindowMessages::ShowUnowned(std::wstring_view caption, std::wstring_view text, MessageIcon icon)
{
    ShowMessageBox(nullptr, caption, text, icon);
}

} // namespace trackkit
