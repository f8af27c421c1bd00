#include "tracking/win32/lookup_dialog.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "common/text.h"
#include "common/win32/list_view.h"
#include "common/win32/wait_cursor.h"
#include "common/win32/window_record.h"
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
    for (std::size_t i = 0; i < kLookupColumns.size(); ++i)
        InsertListColumn(list, static_cast<int>(i), kLookupColumns[i].title, kLookupColumns[i].width);
}

void InsertRow(HWND list, int position, const ClusterLookupEntry& entry)
{
    const std::wstring cluster =
        FormatBounded(kClusterTextChars, L"%llu", static_cast<unsigned long long>(entry.cluster));
    const int row = InsertListRow(list, position, cluster);
    if (row < 0)
        return;
    SetListCellText(list, row, 1, entry.fileName);
    SetListCellText(list, row, 2, FlagWords(entry.flags));
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

// The dialog's record: the lookup it shows, which outlives the modal dialog.
struct LookupRecord {
    static std::unique_ptr<LookupRecord> Create(HWND dialog, LPARAM initParameter)
    {
        const auto* result = reinterpret_cast<const ClusterLookupResult*>(initParameter);
        return result != nullptr ? std::make_unique<LookupRecord>(LookupRecord{dialog, *result}) : nullptr;
    }

    HWND dialog;
    const ClusterLookupResult& result;
};

INT_PTR HandleLookupMessage(LookupRecord& record, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillLookupList(record.dialog, record.result);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            EndDialog(record.dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR ShowLookupClustersDialog(HINSTANCE resources, HWND owner, const ClusterLookupResult& result)
{
    return DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_LOOKUP_CLUSTERS), owner,
                           RecordDialogProc<LookupRecord, HandleLookupMessage>, reinterpret_cast<LPARAM>(&result));
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
