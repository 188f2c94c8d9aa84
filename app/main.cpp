// Program entry: start-up state, console, command-line word, single
// instance, the main window and the message loop. The exit code is always 0.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "app/code_page_check.h"
#include "app/main_window.h"
#include "app/startup_state.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "text/parse.h"

namespace {

void OpenConsoleIfAsked()
{
    if (ReadProfileInt("Vantrel", "consol", 0, g_startup.settings_path.c_str()) != 1) return;
    AllocConsole();
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONIN$", "r", stdin);
    std::printf("$$$ Console - Start $$$\n");
    std::fflush(stdout);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    // Before any path or setting is read: on another code page they would
    // be garbled. Ends with 0, as every other early end does.
    if (!CheckAnsiCodePage(GetACP())) return 0;
    InitializeStartup();
    OpenConsoleIfAsked();

    // Words only count when there is exactly one; an unknown one ends the run.
    if (__argc == 2) {
        g_startup.command_line_mode = CommandLineMode(__argv[1]);
        if (g_startup.command_line_mode == 0) return 0;
    }

    if (HWND running = FindWindowA("Vantrel", nullptr); running != nullptr) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }

    InitCommonControls();
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = MainWindowProc;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = CreateSolidBrush(ColorValueOf(g_startup.window_color));
    window_class.lpszClassName = "Vantrel";
    if (RegisterClassA(&window_class) == 0) return 0;

    // The template names the class "Vantrel", so MainWindowProc is the
    // window procedure and gets WM_INITDIALOG itself. The dialog manager
    // calls a dialog procedure only from DefDlgProc, which this window never
    // reaches (it passes what it leaves to DefWindowProcA), so the same
    // procedure given here is never called as one and its LRESULT answers
    // are never read as a dialog procedure's TRUE/FALSE.
    HWND main_window = CreateDialogParamA(instance, "MAINPROGRAMDLG", nullptr,
                                          reinterpret_cast<DLGPROC>(MainWindowProc), 0);
    if (main_window == nullptr || !IsWindow(main_window)) return 0;
    ShowWindow(main_window, show);
    UpdateWindow(main_window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(main_window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
