#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace trackkit {

// What the find bar asks of the window that holds it.
class FindBarHost {
public:
    virtual ~FindBarHost() = default;
    // Look for the text from the current row on, forward ("Next", Enter) or
    // backward ("Previous", Shift+Enter).
    virtual void FindNext(std::wstring_view text, bool matchCase, bool forward) = 0;
    // Escape in the bar: the host stops its search, or hides the bar and
    // gives the focus back.
    virtual void CloseFindBar() = 0;
    // F3 and F5 in the bar: the keys the host answers wherever the focus is.
    virtual bool PressDialogKey(WPARAM key) = 0;
};

// What the bar holds now: what F3 and Shift+F3 look for again.
struct FindRequest {
    std::wstring text;
    bool matchCase = false;
};

// Makes the bar, hidden, as a child of `parent` from the program's
// resources; the parent's destruction ends it. Null when it cannot be made.
// The host must outlive the bar.
HWND CreateFindBar(HWND parent, HINSTANCE instance, FindBarHost& host);

// Shows the bar and puts the focus in its text box, the text selected.
void ShowFindBar(HWND bar);

FindRequest CurrentFindRequest(HWND bar);

// A note beside the bar's buttons ("Not found", "Searching... 10 of 20
// rows"); any change to the text clears it.
void SetFindBarNote(HWND bar, std::wstring_view note);

} // namespace trackkit
