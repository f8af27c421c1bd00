#include "setup/win32/window_messages.h"

#include <string>

namespace trackkit {
namespace {

int ShowMessageBox(HWND owner, std::wstring_view caption, std::wstring_view text, UINT type)
{
    const std::wstring captionText(caption);
    const std::wstring bodyText(text);
    return MessageBoxW(owner, bodyText.c_str(), captionText.c_str(), type);
}

} // namespace

void WindowMessages::Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon)
{
    ShowMessageBox(owner_, caption, text, MB_OK | static_cast<UINT>(icon));
}

void WindowMessages::ShowUnowned(std::wstring_view caption, std::wstring_view text, MessageIcon icon)
{
    ShowMessageBox(nullptr, caption, text, MB_OK | static_cast<UINT>(icon));
}

bool WindowMessages::AskYesNo(std::wstring_view caption, std::wstring_view question)
{
    return ShowMessageBox(owner_, caption, question, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

} // namespace trackkit
