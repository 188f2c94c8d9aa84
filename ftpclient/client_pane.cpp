// The two panes of the client window as list views: their columns and sort
// marks, the rows in their order, the texts of the cells and the rows typing
// finds. The lists hold no rows of their own (LVS_OWNERDATA, ftpclient.rc).
#include "ftpclient/client_window_private.h"

#include <algorithm>

#include "text/sjis.h"

namespace client_window {

namespace {

constexpr int kColumnCount = 4;
constexpr const char* kColumnTitles[kColumnCount] = {"名前", "サイズ", "更新日時", "種類"};
constexpr int kColumnWidths[kColumnCount] = {60, 40, 72, 56};  // dialog units
constexpr int kSizeColumn = static_cast<int>(SortColumn::kSize);  // right-aligned

void ShowSortMark(HWND window, const Pane& pane)
{
    ListView list = List(window, pane.list_id);
    for (int column = 0; column < kColumnCount; ++column) {
        std::string title = kColumnTitles[column];
        if (static_cast<int>(pane.order.column) == column) title += pane.order.descending ? " ▼" : " ▲";
        list.SetColumnTitle(column, title.c_str());
    }
}

}  // namespace

void SetUpColumns(HWND window, const Pane& pane)
{
    ListView list = List(window, pane.list_id);
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    for (int column = 0; column < kColumnCount; ++column) {
        RECT width{0, 0, kColumnWidths[column], 0};
        MapDialogRect(window, &width);
        int format = column == kSizeColumn ? LVCFMT_RIGHT : LVCFMT_LEFT;
        list.InsertColumn(column, kColumnTitles[column], width.right, format);
    }
    ShowSortMark(window, pane);
}

// The name column takes the width the pane has beyond the other columns,
// never less than its own: a larger window shows longer names whole.
void FitNameColumns(HWND window)
{
    RECT name_width{0, 0, kColumnWidths[0], 0};
    MapDialogRect(window, &name_width);
    for (int id : {IDC_LOCAL_LIST, IDC_REMOTE_LIST}) {
        ListView list = List(window, id);
        RECT inside;
        GetClientRect(list.hwnd(), &inside);
        int width = inside.right;
        // Room for the vertical scroll bar before it shows.
        if ((GetWindowLongA(list.hwnd(), GWL_STYLE) & WS_VSCROLL) == 0) width -= GetSystemMetrics(SM_CXVSCROLL);
        for (int column = 1; column < kColumnCount; ++column) width -= list.GetColumnWidth(column);
        list.SetColumnWidth(0, std::max<int>(width, name_width.right));
    }
}

// The list only learns how many rows there are: one message, whatever their
// number.
void FillPane(HWND window, Pane& pane, const std::vector<int>& selected)
{
    ListView list = List(window, pane.list_id);
    pane.shown.clear();
    pane.shown.reserve(pane.rows.size() + 1);
    if (pane.has_parent) pane.shown.push_back(kParentRow);
    for (std::size_t index : SortedRows(pane.rows, pane.order)) pane.shown.push_back(static_cast<int>(index));
    list.DeleteAllItems();
    list.SetItemCount(static_cast<int>(pane.shown.size()));
    if (!selected.empty()) {
        std::vector<bool> wanted(pane.rows.size());
        for (int index : selected) wanted[static_cast<std::size_t>(index)] = true;
        for (std::size_t item = 0; item < pane.shown.size(); ++item) {
            if (pane.shown[item] >= 0 && wanted[static_cast<std::size_t>(pane.shown[item])]) {
                list.SetItemState(static_cast<int>(item), LVIS_SELECTED, LVIS_SELECTED);
            }
        }
    }
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
}

int RowOfItem(const Pane& pane, int item)
{
    if (item < 0 || static_cast<std::size_t>(item) >= pane.shown.size()) return kNoRow;
    int index = pane.shown[static_cast<std::size_t>(item)];
    return index < static_cast<int>(pane.rows.size()) ? index : kNoRow;
}

std::vector<int> SelectedRows(HWND window, const Pane& pane)
{
    ListView list = List(window, pane.list_id);
    std::vector<int> rows;
    for (int item = list.GetNextItem(-1, LVNI_SELECTED); item >= 0; item = list.GetNextItem(item, LVNI_SELECTED)) {
        int index = RowOfItem(pane, item);
        if (index >= 0) rows.push_back(index);
    }
    return rows;
}

void CellText(const Pane& pane, NMLVDISPINFOA& request)
{
    LVITEMA& item = request.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    int index = RowOfItem(pane, item.iItem);
    std::string text;
    if (index == kParentRow) {
        text = item.iSubItem == 0 ? ".." : "";
    } else if (index >= 0) {
        const FileRow& row = pane.rows[static_cast<std::size_t>(index)];
        switch (item.iSubItem) {
        case 0:
            text = row.name;
            break;
        case 1:
            text = row.is_directory ? "" : GroupedSize(row.size);
            break;
        case 2:
            text = RowTimeText(row.modified);
            break;
        default:
            text = TypeText(row);
            break;
        }
    }
    CopyWholeChars(item.pszText, static_cast<std::size_t>(item.cchTextMax), text.c_str());
}

// Typing in a list finds the next row whose name starts with what was typed;
// -1 when none does.
int FindRow(const Pane& pane, const NMLVFINDITEMA& request)
{
    const LVFINDINFOA& find = request.lvfi;
    if ((find.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.psz == nullptr) return -1;
    std::vector<std::string> names;
    names.reserve(pane.shown.size());
    for (int row : pane.shown) names.push_back(row < 0 ? std::string() : pane.rows[static_cast<std::size_t>(row)].name);
    std::size_t start = request.iStart >= 0 ? static_cast<std::size_t>(request.iStart) : 0;
    return FindTypedRow(names, start, find.psz, (find.flags & LVFI_PARTIAL) != 0, (find.flags & LVFI_WRAP) != 0);
}

void SelectAll(HWND window, int list_id)
{
    ListView list = List(window, list_id);
    list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    if (PaneOf(State(window), list_id).has_parent) list.SetItemState(0, 0, LVIS_SELECTED);
}

void SortBy(HWND window, int list_id, int column)
{
    Pane& pane = PaneOf(State(window), list_id);
    std::vector<int> selected = SelectedRows(window, pane);
    pane.order = ClickedOrder(pane.order, static_cast<SortColumn>(column));
    ShowSortMark(window, pane);
    FillPane(window, pane, selected);
}

RowTime ToRowTime(const SYSTEMTIME& time)
{
    RowTime out;
    out.year = time.wYear;
    out.month = time.wMonth;
    out.day = time.wDay;
    out.hour = time.wHour;
    out.minute = time.wMinute;
    return out;
}

}  // namespace client_window
