#include "tracking/win32/lookup_dialog.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "common/text.h"
#include "common/win32/message_guard.h"
#include "common/win32/wait_cursor.h"
#include "resources/resource_ids.h"

namespace trackkit {
namespace {

constexpr DWORD kLookupListExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER;
static_assert(kLookupListExtendedStyle == 0x10420);
constexpr std::size_t kClusterTextChars = 128;

struct LookupColumn {
    const wchar_t* title;
    int width;  // pixels
};

constexpr std::array<LookupColumn, 3> kLookupColumns{{{L"Cluster", 100}, {L"Path", 450}, {L"Flags", 200}}};

void InsertColumns(HWND list)
{
    for (std::size_t i = 0; i < kLookupColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kLookupColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kLookupColumns[i].title);
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
}

void SetSubItemText(HWND list, int row, int column, std::wstring text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void InsertRow(HWND list, int position, const ClusterLookupEntry& entry)
{
    std::wstring cluster =
        FormatBounded(kClusterTextChars, L"%llu", static_cast<unsigned long long>(entry.cluster));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = position;
    item.pszText = cluster.data();
    const auto row = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row < 0)
        return;
    SetSubItemText(list, static_cast<int>(row), 1, entry.fileName);
    SetSubItemText(list, static_cast<int>(row), 2, FlagWords(entry.flags));
}

// The rows come sorted from the core, so they are inserted in order; the
// list itself never sorts (its header does not sort either).
void FillLookupList(HWND dialog, const ClusterLookupResult& result)
{
    HWND list = GetDlgItem(dialog, IDC_LOOKUP_LIST);
    if (list != nullptr) {
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kLookupListExtendedStyle);
        InsertColumns(list);
        for (std::size_t i = 0; i < result.entries.size(); ++i)
            InsertRow(list, static_cast<int>(i), result.entries[i]);
    }
    SetWindowTextW(dialog, result.title.c_str());
}

INT_PTR HandleLookupDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (lParam != 0)
            FillLookupList(dialog, *reinterpret_cast<const ClusterLookupResult*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK LookupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return HandleWithoutEscaping([&] { return HandleLookupDialogMessage(dialog, message, wParam, lParam); }, INT_PTR{FALSE});
}

} // namespace

INT_PTR ShowLookupClustersDialog(HINSTANCE resources, HWND owner, const ClusterLookupResult& result)
{
    return DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_LOOKUP_CLUSTERS), owner, LookupDialogProc,
                           reinterpret_cast<LPARAM>(&result));
}

void LookupClusters(HINSTANCE resources, HWND owner, TrackedVolume* volume, const ClusterLookupCell& cell)
{
    if (volume == nullptr)
        return;
    ClusterLookupResult result;
    {
        WaitCursor wait;
        result = LookUpCell(*volume, cell);
    }
    switch (result.outcome) {
    case LookupOutcome::Listed:
        ShowLookupClustersDialog(resources, owner, result);
        break;
    case LookupOutcome::Notice:
        MessageBoxW(owner, kNoUserFilesText.data(), kLookupNoticeCaption.data(), MB_OK | MB_ICONINFORMATION);
        break;
    case LookupOutcome::TooMany:
        MessageBoxW(owner, kTooManyFilesText.data(), kLookupNoticeCaption.data(), MB_OK | MB_ICONINFORMATION);
        break;
    case LookupOutcome::Nothing:
        break;
    }
}

} // namespace trackkit
