// Program entry: start-up state, console, command-line word, single
// instance, the main window and the message loop. The exit code is always 0.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "app/code_page_check.h"
#include "app/main_window.h"
#include "app/startup_state.h"
#include "app/window_look.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "text/parse.h"

namespace {

HWND g_main_window = nullptr;

// Closing the console window ends the whole process once this returns
// (Microsoft documents about 5 s for CTRL_CLOSE_EVENT before it does so
// anyway). It runs on a thread of its own: the main window writes the day's
// log as at a shutdown, on its own thread, which owns the message list.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    constexpr UINT kLogWaitMs = 4000;
    if (event != CTRL_CLOSE_EVENT || g_main_window == nullptr) return FALSE;
    SendMessageTimeoutA(g_main_window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, kLogWaitMs, nullptr);
    return FALSE;
}

void OpenConsoleIfAsked()
{
    if (ReadProfileInt("Vantrel", "consol", 0, g_startup.settings_path.c_str()) != 1) return;
    AllocConsole();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
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
        int word = CommandLineMode(__argv[1]);
        if (word == 0) return 0;
        g_startup.start_mode = static_cast<StartMode>(word);
    }

    if (HWND running = FindWindowA("Vantrel", nullptr); running != nullptr) {
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return 0;
    }

    // ShellExecuteEx may hand a start to a shell extension that uses COM:
    // Microsoft's documentation of ShellExecuteEx asks for COM to be
    // initialised first, apartment-threaded and without OLE1 DDE.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    InitCommonControls();
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = MainWindowProc;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = CreateSolidBrush(WindowColorInUse());
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
    g_main_window = main_window;
    ShowWindow(main_window, show);
    UpdateWindow(main_window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(main_window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return static_cast<int>(msg.wParam);
}
