#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reading and poking windows of another process. Every send has a time-out
// (a hung target fails the call instead of hanging the driver), and texts
// travel as UTF-16: Wine marshals the W messages across processes, while an
// A list-box read returns UTF-16 anyway and overflows a buffer sized in bytes.

constexpr UINT kSendTimeoutMs = 5000;

// SendMessageTimeoutW; false when the target did not answer in time.
bool SendWithTimeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr);

std::wstring ClassName(HWND window);
std::wstring WindowText(HWND window);  // WM_GETTEXT; "" when it fails
std::vector<std::wstring> ListBoxLines(HWND list_box, bool* ok);
std::vector<std::wstring> ComboBoxItems(HWND combo_box, bool* ok);
// SB_GETPARTS through a buffer in the status bar's own process (the message
// carries a pointer that is not marshalled); empty when that fails.
std::vector<int> StatusBarEdges(HWND status_bar);

// A report-style list view of another process. Its LVM_GET* messages carry
// pointers that Wine does not marshal (unlike a list box's): the structure and
// the text buffer are placed in the target's memory (VirtualAllocEx) and read
// back from there.
struct ListViewColumn {
    std::wstring title;
    int format = 0;  // LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER
    int width = 0;
};
struct ListViewContent {
    std::vector<ListViewColumn> columns;
    std::vector<std::vector<std::wstring>> rows;  // cells, one per column
    std::vector<int> selected;
    int focused = -1;
    std::vector<RECT> item_rects;  // of each row, on the screen
};
ListViewContent ReadListView(HWND list_view, bool* ok);

// Top-level windows, optionally of one process (pid 0: all).
std::vector<HWND> TopLevelWindows(DWORD pid);
DWORD ProcessOf(HWND window);

// A "#32770" window: a message box (Wine's template: icon static 1088, text
// static 0xFFFF, no menu) or another dialog.
struct DialogButton {
    int id;
    std::wstring text;
    bool is_default;
};
struct DialogInfo {
    bool is_message_box = false;
    std::wstring caption;
    std::wstring text;       // message box text; "" for other dialogs
    std::string icon = "none";  // error, information, warning, question, other, none
    std::vector<DialogButton> buttons;
};
DialogInfo DescribeDialog(HWND dialog);
int DefaultButton(const DialogInfo& info);  // 0 when the dialog has no buttons
