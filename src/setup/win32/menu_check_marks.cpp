#include "setup/win32/menu_check_marks.h"

namespace trackkit {

bool MenuCheckMarks::IsChecked(int command)
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    if (!GetMenuItemInfoW(menu_, static_cast<UINT>(command), FALSE, &item))
        return false;
    return (item.fState & MFS_CHECKED) != 0;
}

void MenuCheckMarks::SetCheckMark(int command, bool checked)
{
    CheckMenuItem(menu_, static_cast<UINT>(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MenuCheckMarks::ReplaceState(int command, bool checked)
{
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoW(menu_, static_cast<UINT>(command), FALSE, &item);
}

} // namespace trackkit
