#include "common/win32/list_view.h"

#include <commctrl.h>

#include <string>

namespace trackkit {

void InsertListColumn(HWND list, int index, std::wstring_view title, int width, int format)
{
    std::wstring text(title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int InsertListRow(HWND list, int position, wchar_t* text, std::optional<LPARAM> parameter)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT | (parameter ? LVIF_PARAM : 0u);
    item.iItem = position;
    item.pszText = text;
    item.lParam = parameter.value_or(0);
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int InsertListRow(HWND list, int position, std::wstring_view text, std::optional<LPARAM> parameter)
{
    std::wstring copy(text);
    return InsertListRow(list, position, copy.data(), parameter);
}

void SetListCellText(HWND list, int row, int column, wchar_t* text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void SetListCellText(HWND list, int row, int column, std::wstring_view text)
{
    std::wstring copy(text);
    SetListCellText(list, row, column, copy.data());
}

void MarkSortedColumn(HWND list, std::optional<int> column, bool descending)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == i)
            item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

} // namespace trackkit
