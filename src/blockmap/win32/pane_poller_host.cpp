#include "blockmap/win32/pane_poller_host.h"

#include <commctrl.h>

#include <string>

#include "app/win32/shell_windows.h"

namespace trackkit {

void ListViewStatisticsRows::SetValueText(int row, std::wstring_view text)
{
    HWND list = Shell().statisticsList;
    if (list == nullptr)
        return;
    std::wstring copy(text);
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = copy.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void PaneTimer::Start(std::uint32_t periodMilliseconds) { SetTimer(pane_, kPollTimerId, periodMilliseconds, nullptr); }

void PaneTimer::Stop() { KillTimer(pane_, kPollTimerId); }

void PaneInvalidation::Invalidate(bool erase) { InvalidateRect(pane_, nullptr, erase ? TRUE : FALSE); }

} // namespace trackkit
