#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "text/fixed_text.h"

// Thin wrappers over the controls the program uses; each method is one
// message to the control.

class Window {
public:
    explicit Window(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }

    template <std::size_t N>
    std::size_t GetText(FixedText<N>& out) const
    {
        out.Clear();
        GetWindowTextA(hwnd_, out.data(), static_cast<int>(N));
        out.Repair();
        return out.size();
    }
    void SetText(const char* text) const { SetWindowTextA(hwnd_, text); }
    void Enable(bool enabled) const { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
    // Off while filling many rows (each added row redraws the control and its
    // scroll bar); on again draws the control once.
    void SetRedraw(bool on) const
    {
        SendMessageA(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
        if (on) InvalidateRect(hwnd_, nullptr, TRUE);
    }

protected:
    HWND hwnd_;
};

class ListBox : public Window {
public:
    using Window::Window;
    int AddString(const char* text) const { return Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    int GetCount() const { return Send(LB_GETCOUNT, 0, 0); }
    int SetCurSel(int index) const { return Send(LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    int GetTextLen(int index) const { return Send(LB_GETTEXTLEN, static_cast<WPARAM>(index), 0); }
    void ResetContent() const { Send(LB_RESETCONTENT, 0, 0); }
    void SetHorizontalExtent(int pixels) const { Send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels), 0); }

    // Copies line `index` into out, whole characters only, never past N - 1 bytes.
    template <std::size_t N>
    bool GetLine(int index, FixedText<N>& out) const;

private:
    int Send(UINT message, WPARAM w, LPARAM l) const
    {
        return static_cast<int>(SendMessageA(hwnd_, message, w, l));
    }
};

class ComboBox : public Window {
public:
    using Window::Window;
    int AddString(const char* text) const { return Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
    int GetCount() const { return Send(CB_GETCOUNT, 0, 0); }
    int GetCurSel() const { return Send(CB_GETCURSEL, 0, 0); }
    int SetCurSel(int index) const { return Send(CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    void ResetContent() const { Send(CB_RESETCONTENT, 0, 0); }

private:
    int Send(UINT message, WPARAM w, LPARAM l) const
    {
        return static_cast<int>(SendMessageA(hwnd_, message, w, l));
    }
};

class StatusBar : public Window {
public:
    using Window::Window;
    // Right edges of the parts, in pixels; -1 for "to the window's edge".
    void SetParts(const int* right_edges, int count) const
    {
        SendMessageA(hwnd_, SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(right_edges));
    }
    void SetPartText(int part, const char* text) const
    {
        SendMessageA(hwnd_, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
    }
};

class ProgressBar : public Window {
public:
    using Window::Window;
    void SetRange(int low, int high) const { SendMessageA(hwnd_, PBM_SETRANGE32, low, high); }
    void SetPos(int position) const { SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
};

// A list view in report form: rows of texts under column headers. The
// panes that use it hold no rows of their own (LVS_OWNERDATA): an item is
// only its index, and its parent answers for the texts; no item carries a
// parameter.
class ListView : public Window {
public:
    using Window::Window;
    void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
    // format: LVCFMT_LEFT or LVCFMT_RIGHT.
    void InsertColumn(int index, const char* title, int width, int format) const
    {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = format;
        column.cx = width;
        column.pszText = const_cast<char*>(title);
        column.iSubItem = index;
        Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    }
    void SetColumnTitle(int index, const char* title) const
    {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT;
        column.pszText = const_cast<char*>(title);
        Send(LVM_SETCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    }
    int GetColumnWidth(int index) const { return Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index), 0); }
    void SetColumnWidth(int index, int width) const { Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), width); }
    void DeleteAllItems() const { Send(LVM_DELETEALLITEMS, 0, 0); }
    int GetItemCount() const { return Send(LVM_GETITEMCOUNT, 0, 0); }
    // Rows of a list view that holds no data of its own (LVS_OWNERDATA):
    // its parent answers LVN_GETDISPINFO for the rows in view.
    void SetItemCount(int count) const { Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0); }
    // The next row after `start` (-1: from the top) in the state of flags
    // (LVNI_SELECTED, LVNI_FOCUSED); -1 when there is none.
    int GetNextItem(int start, UINT flags) const { return Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags); }
    // state and mask: LVIS_SELECTED, LVIS_FOCUSED; index -1: every row.
    void SetItemState(int index, UINT state, UINT mask) const
    {
        LVITEMA item{};
        item.stateMask = mask;
        item.state = state;
        Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }

private:
    int Send(UINT message, WPARAM w, LPARAM l) const
    {
        return static_cast<int>(SendMessageA(hwnd_, message, w, l));
    }
};

// Dialog items by id.
inline Window DialogItem(HWND dialog, int id) { return Window(GetDlgItem(dialog, id)); }

template <std::size_t N>
std::size_t GetItemText(HWND dialog, int id, FixedText<N>& out)
{
    return DialogItem(dialog, id).GetText(out);
}
inline void SetItemText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
inline bool IsItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void SetItemChecked(HWND dialog, int id, bool checked)
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

template <std::size_t N>
bool ListBox::GetLine(int index, FixedText<N>& out) const
{
    out.Clear();
    int length = GetTextLen(index);
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < N) {
        Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out.data()));
        out.Repair();
        return true;
    }
    // Longer than the buffer: LB_GETTEXT has no size limit, so fetch it whole first.
    std::string whole(static_cast<std::size_t>(length) + 1, '\0');
    Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(whole.data()));
    out.Assign(whole.c_str());
    return true;
}
