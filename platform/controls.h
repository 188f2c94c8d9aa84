#pragma once

#include <windows.h>

#include <string>

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
