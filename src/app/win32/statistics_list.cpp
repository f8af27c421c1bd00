#include "app/win32/statistics_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "common/win32/file_version_reader.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/list_view.h"
#include "common/win32/message_guard.h"
#include "tracking/win32/driver_version.h"

namespace trackkit {
namespace {

constexpr UINT_PTR kStatisticsColumnsSubclass = 1;

// The widest row label of the statistics list, in the list's own font.
int LongestStatisticsLabel(HWND list)
{
    int widest = 0;
    for (int row = kDriverVersionRow; row <= kLastStatisticsRow; ++row) {
        const std::wstring label(StatisticsRowAt(row).label);
        widest = std::max(widest, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                                reinterpret_cast<LPARAM>(label.c_str()))));
    }
    return widest;
}

// Gives the Value column the room first whenever the list changes size.
void FitStatisticsColumnsTo(HWND list, int listWidth)
{
    const StatisticsColumns columns = FitStatisticsColumns(listWidth, LongestStatisticsLabel(list), MeasureDpi(list).x);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(columns.description, 0));
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(columns.value, 0));
}

LRESULT CALLBACK StatisticsListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (message == WM_SIZE)
        HandleWithoutEscaping([&] { FitStatisticsColumnsTo(list, GET_X_LPARAM(lParam)); return 0; }, 0);
    else if (message == WM_NCDESTROY)
        RemoveWindowSubclass(list, StatisticsListSubclassProc, kStatisticsColumnsSubclass);
    return result;
}

// A row lands at the end: the label, then the value in column 1.
void AddStatisticsRow(HWND list, std::wstring_view label, std::wstring_view value)
{
    constexpr int kAtTheEnd = 65535;
    const int row = InsertListRow(list, kAtTheEnd, label);
    if (row >= 0)
        SetListCellText(list, row, 1, value);
}

void AddAllStatisticsRows(HWND list)
{
    AddStatisticsRow(list, StatisticsRowAt(kDriverVersionRow).label, DriverVersionText(SystemDirectory()));
    for (int row = kFirstStatisticsRow; row <= kLastStatisticsRow; ++row)
        AddStatisticsRow(list, StatisticsRowAt(row).label, StatisticsRowAt(row).initialValue);
}

} // namespace

HWND CreateStatisticsList(HWND parent, HINSTANCE instance, const FrameMetrics& metrics)
{
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                                0, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (list == nullptr)
        return nullptr;
    const LPARAM styles = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(styles), styles);
    InsertListColumn(list, 0, L"Description", metrics.descriptionColumn);
    InsertListColumn(list, 1, L"Value", metrics.valueColumn);
    SetWindowSubclass(list, StatisticsListSubclassProc, kStatisticsColumnsSubclass, 0);
    AddAllStatisticsRows(list);
    return list;
}

void StatisticsListRows::SetValueText(int row, std::wstring_view text)
{
    if (list_ != nullptr)
        SetListCellText(list_, row, 1, text);
}

} // namespace trackkit
