#pragma once

#include <windows.h>

#include "setup/menu_checks.h"

namespace trackkit {

// The check marks of a menu's items, found by command in the menu and its
// submenus.
class MenuCheckMarks final : public MenuChecks {
public:
    explicit MenuCheckMarks(HMENU menu) : menu_(menu) {}

    bool IsChecked(int command) override;
    void SetCheckMark(int command, bool checked) override;
    void ReplaceState(int command, bool checked) override;

private:
    HMENU menu_;
};

} // namespace trackkit
