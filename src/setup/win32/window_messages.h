#pragma once

#include <windows.h>

#include "setup/user_messages.h"

namespace trackkit {

// UserMessages as real message boxes (MessageBoxW): OK only, or Yes and No.
class WindowMessages final : public UserMessages {
public:
    explicit WindowMessages(HWND owner) : owner_(owner) {}
    void Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override;
    void ShowUnowned(std::wstring_view caption, std::wstring_view text, MessageIcon icon) override;
    bool AskYesNo(std::wstring_view caption, std::wstring_view question) override;

private:
    HWND owner_;
};

} // namespace trackkit
