#include "app/main_window.h"

#include <shellapi.h>

#include <string>

#include "app/program_folder_check.h"
#include "app/startup_state.h"
#include "platform/exact_ansi.h"
#include "info/help_lookup.h"
#include "info/system_info.h"
#include "info/version_info.h"
#include "log/log_file.h"
#include "log/message_log.h"
#include "machines/machine_dialog.h"
#include "machines/machine_selection.h"
#include "machines/machine_table.h"
#include "app/window_look.h"
#include "app/window_place.h"
#include "resources/resource.h"
#include "settings/ini_check.h"
#include "settings/initial_settings_dialog.h"
#include "settings/settings_file.h"
#include "transfer/ftp_client_start.h"
#include "transfer/server_file_list.h"
#include "transfer/temp_cleanup.h"
#include "transfer/transfer_run.h"

int g_machine_count = 0;

namespace {

ScreenBox BoxOf(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// The menu command a command-line start runs; 0 for the window's own start.
int StartCommand(StartMode mode)
{
    switch (mode) {
    case StartMode::kSystemInfo:
        return IDM_SYSTEM_INFO;
    case StartMode::kProgramInfo:
        return IDM_PROGRAM_INFO;
    case StartMode::kVersion:
        return IDM_VERSION;
    case StartMode::kWindow:
        break;
    }
    return 0;
}

void OnInitDialog(HWND hwnd)
{
    SetSmallProgramIcon(hwnd);
    PlaceMainWindow(hwnd);
    CreateStatusBar(hwnd);
    SetMessageList(GetDlgItem(hwnd, IDC_MESSAGE_LIST));
    DragAcceptFiles(hwnd, TRUE);
    AllowDropsFromExplorer(hwnd);
    PostStartBanner(hwnd);
    // Before anything reads a value, or writes one (the command-line modes
    // write the settings file too).
    CheckIniFileEncoding(hwnd, g_startup.settings_path.c_str());

    if (int command = StartCommand(g_startup.start_mode); command != 0) {
        SendMessageA(hwnd, WM_COMMAND, command, 0);
        // The mode's command has closed the window: what follows would only
        // touch a destroyed window, so a command-line run ends here.
        return;
    }

    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    CheckProgramFolder(hwnd);
    ExecuteDeleteFiles(hwnd);
    g_machine_count = LoadMachineList(hwnd);
    if (!g_machine_table_path.empty()) CheckIniFileEncoding(hwnd, g_machine_table_path.c_str());
    if (g_machine_count == 0) SendMessageA(hwnd, WM_COMMAND, IDM_MACHINE_REGISTRATION, 0);
    UpdateServerFileList(hwnd);
}

void OnSessionEnd(HWND hwnd)
{
    static bool written = false;
    if (written) return;
    written = true;
    WriteLogFile(hwnd, kListOnly);
}

void CloseIfMode(HWND hwnd, StartMode mode)
{
    if (g_startup.start_mode == mode) SendMessageA(hwnd, WM_CLOSE, 0, 0);
}

// The command table: every menu command of the main window goes from here.
void OnCommand(HWND hwnd, int id, int code)
{
    switch (id) {
    case IDC_MACHINE_COMBO:
        if (code == CBN_SELENDOK) SelectMachine(hwnd);
        break;
    case IDM_INITIAL_SETTINGS:
        OpenInitialSettingsDialog(hwnd);
        break;
    case IDM_MACHINE_REGISTRATION:
        OpenMachineDialog(hwnd, GetModuleHandleA(nullptr));
        break;
    case IDM_EXIT:
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        break;
    case IDM_FTP_CLIENT:
        StartFtpClient(hwnd);
        break;
    case IDM_REFRESH_FILE_LIST:
        UpdateServerFileList(hwnd);
        break;
    case IDM_HELP:
        OpenHelpFile(hwnd, "ヘルプ");
        break;
    case IDM_VERSION:
        ShowVersion(hwnd, "ＮＣファイル転送");
        CloseIfMode(hwnd, StartMode::kVersion);
        break;
    case IDM_PROGRAM_INFO:
        OpenProgramInfo(hwnd);
        CloseIfMode(hwnd, StartMode::kProgramInfo);
        break;
    case IDM_SYSTEM_INFO:
        UpdateSystemInfo(hwnd);
        CloseIfMode(hwnd, StartMode::kSystemInfo);
        break;
    default:
        // IDOK and IDCANCEL, which the dialog manager makes of Enter and
        // Escape, land here and do nothing.
        break;
    }
}

// The longest path the Windows client and this program's ANSI file calls
// open: MAX_PATH less its terminating null, in characters. Wine opens longer
// ones; Windows does not, for programs that are not long-path aware.
constexpr std::size_t kLongestPathCharacters = MAX_PATH - 1;

// While a drop's transfers run (the client's wait and every box they show)
// the window serves its messages but starts nothing: a drop, a command or a
// close that reaches it then would run inside the transfer, which reads the
// machine, the control file and the dropped path until its end.
struct RunState {
    bool running = false;
    bool close_asked = false;
    std::string refused;  // the files dropped meanwhile, "、" between them
};
RunState g_run;

// A drop during a run is refused, never kept for later: the user dropped it
// while the window showed another transfer that may yet fail, and a file
// sent after that box, without a new drop, would be one he did not see
// being sent. FTPClient.exe refuses a drop during a job the same way. The
// box comes once the run has ended, so that it cannot hold up the
// client's time limit.
void RefuseDrop(HWND hwnd, HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        PathText path;
        if (DragQueryFileA(drop, i, nullptr, 0) < path.kSize) DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.kSize));
        PostText(hwnd, kListOnly, "... 転送中のため受け付けませんでした %s", path.c_str());
        if (!g_run.refused.empty()) g_run.refused += "、";
        g_run.refused += path.c_str();
    }
    DragFinish(drop);
}

// Each dropped file in drop order, one complete transfer after the other.
void OnDropFiles(HWND hwnd, HDROP drop)
{
    if (g_run.running) return RefuseDrop(hwnd, drop);
    g_run.running = true;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Each file's path in a local of its own, handed to the run.
        PathText path;
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length >= path.kSize) {
            // A cut path would name another file, or none: refuse it whole.
            PostText(hwnd, kError, "エラー：ファイルのパスが長すぎます（%u バイト）", length);
            continue;
        }
        DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.kSize));
        std::string exact;
        if (!DroppedPathInAnsi(drop, i, exact)) {
            PostText(hwnd, kError, "エラー：ファイル %s の名前には Shift-JIS で書けない文字があるため、転送しませんでした",
                     path.c_str());
            continue;
        }
        if (UINT characters = DragQueryFileW(drop, i, nullptr, 0); characters > kLongestPathCharacters) {
            PostText(hwnd, kError, "エラー：ファイル %s のパスは %u 文字あり、Windows の ftp.exe が開ける %zu 文字を超えるため、転送しませんでした",
                     path.c_str(), characters, kLongestPathCharacters);
            continue;
        }
        g_dropped_file_path = path;
        StartVantrel(hwnd);
    }
    DragFinish(drop);
    g_run.running = false;
    if (!g_run.refused.empty()) {
        std::string refused;
        refused.swap(g_run.refused);
        PostText(hwnd, kError, "エラー：転送中に落とされたファイル %s は転送しませんでした。転送が終わってから、もう一度落としてください",
                 refused.c_str());
    }
    if (g_run.close_asked) {
        g_run.close_asked = false;
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
}

}  // namespace

void PlaceMainWindow(HWND main_window)
{
    double x = ReadPositionFraction("X");
    double y = ReadPositionFraction("Y");
    MoveMainWindow(main_window, x, y);
}

void MoveMainWindow(HWND main_window, double x, double y)
{
    // The primary screen, its work area, and the taskbar window (there is
    // none under Wine on a bare X server: the whole screen is free).
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    RECT work = screen;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) work = screen;
    ScreenBox taskbar;
    bool has_taskbar = false;
    if (HWND tray = FindWindowA("Shell_TrayWnd", nullptr); tray != nullptr && IsWindowVisible(tray)) {
        RECT rect;
        has_taskbar = GetWindowRect(tray, &rect) != FALSE;
        taskbar = BoxOf(rect);
    }
    ScreenBox area = FreeArea(BoxOf(screen), BoxOf(work), has_taskbar ? &taskbar : nullptr);

    RECT outer;
    GetWindowRect(main_window, &outer);
    ScreenPoint place = PlaceInArea(area, outer.right - outer.left, outer.bottom - outer.top, x, y);
    SetWindowPos(main_window, HWND_TOP, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hwnd);
        return 0;
    case WM_COMMAND:
        // Not handled during a run: non-zero, as the documentation of
        // WM_COMMAND asks ("If an application processes this message, it
        // should return zero"), so that a program that sends one can tell.
        if (g_run.running) return 1;
        OnCommand(hwnd, LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_DROPFILES:
        OnDropFiles(hwnd, reinterpret_cast<HDROP>(wparam));
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(StaticColors(reinterpret_cast<HDC>(wparam)));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<LRESULT>(WindowColorBrush());
    case WM_SETCURSOR:
        // The window takes no input during a run: the cursor says it is busy.
        if (!g_run.running) return DefWindowProcA(hwnd, message, wparam, lparam);
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
    case WM_CLOSE:
        // Asked during a run (a box of it, or another program): the window
        // closes once the run has ended, never in its middle.
        if (g_run.running) {
            g_run.close_asked = true;
            return 0;
        }
        WriteLogFile(hwnd);
        DestroyWindow(hwnd);
        return 0;
    // A shutdown or sign-out ends the process after WM_ENDSESSION without a
    // WM_CLOSE: the day's log is written then, once, and without boxes.
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wparam != FALSE) OnSessionEnd(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}
