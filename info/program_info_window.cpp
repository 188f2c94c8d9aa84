// The program-information window: six painted lines, no controls, closed by
// any key, its menu item or its close box.
#include <windows.h>

#include "app/startup_state.h"
#include "info/version_info.h"
#include "log/message_log.h"
#include "app/window_look.h"
#include "resources/resource.h"

namespace {

// The text is composed afresh at every paint, so the Build Date line follows
// the program file's current time. It borrows the message buffer and leaves
// it cleared.
void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    SetBkMode(dc, TRANSPARENT);

    // The margin is 5 and 15 pixels at 96 DPI and grows with the system DPI
    // as the window and its font do.
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    RECT area;
    GetClientRect(window, &area);
    area.left = MulDiv(5, dpi, 96);
    area.top = MulDiv(15, dpi, 96);

    HFONT copy = nullptr;
    HGDIOBJ previous = nullptr;
    LOGFONTA description;
    HFONT window_font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (window_font != nullptr && GetObjectA(window_font, sizeof(description), &description) != 0) {
        copy = CreateFontIndirectA(&description);
        if (copy != nullptr) previous = SelectObject(dc, copy);
    }
    SetTextColor(dc, TextColorInUse());

    MakeProgramInfo();
    DrawTextA(dc, g_message.c_str(), -1, &area, DT_END_ELLIPSIS);

    if (copy != nullptr) {
        SelectObject(dc, previous);
        DeleteObject(copy);
    }
    EndPaint(window, &paint);
    g_message.Clear();
}

INT_PTR CALLBACK ProgramInfoProc(HWND window, UINT message, WPARAM wparam, LPARAM)
{
    INT_PTR answer = FALSE;
    if (AnswerAsEveryDialog(window, message, wparam, answer)) return answer;
    switch (message) {
    case WM_INITDIALOG:
        SetSmallProgramIcon(window);
        return TRUE;
    case WM_PAINT:
        Paint(window);
        return TRUE;
    case WM_GETDLGCODE:
        // The window itself holds the focus (it has no controls). Asking for
        // every key keeps the dialog manager from turning Escape, Enter, Tab
        // and the arrows into navigation, so that they close it like any key.
        SetWindowLongPtrA(window, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
        return TRUE;
    case WM_KEYDOWN:
        RequestClose(window);
        return TRUE;
    case WM_COMMAND:
        // Any other command goes to DefWindowProcA through the dialog
        // manager; a dialog procedure that called it itself would have it
        // run twice.
        if (LOWORD(wparam) != IDM_INFO_CLOSE) return FALSE;
        RequestClose(window);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void OpenProgramInfo(HWND owner)
{
    DialogBoxParamA(GetModuleHandleA(nullptr), "PROGRAMINFODLG", owner, ProgramInfoProc, 0);
}
