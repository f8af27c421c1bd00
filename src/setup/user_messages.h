#pragma once

#include <cstdint>
#include <string_view>

namespace trackkit {

// The icon of a message box. The values are Windows' MB_ICON* flags.
enum class MessageIcon : std::uint32_t {
    Error = 0x10,        // MB_ICONERROR
    Information = 0x40,  // MB_ICONINFORMATION
};

// How the File menu's maintenance commands tell the user what happened: a
// message box with an OK button, owned by the main frame unless said
// otherwise; and how they ask before doing what cannot be undone. Tests
// record the boxes instead of showing them, and answer the questions.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    virtual void Show(std::wstring_view caption, std::wstring_view text, MessageIcon icon) = 0;
    // An error box that belongs to no window (ShowErrorBox's kind).
    virtual void ShowUnowned(std::wstring_view caption, std::wstring_view text, MessageIcon icon) = 0;
    // A warning with Yes and No buttons, owned by the main frame, No the
    // default so that a hasty Enter changes nothing. True when the answer is Yes.
    virtual bool AskYesNo(std::wstring_view caption, std::wstring_view question) = 0;
};

} // namespace trackkit
