// FTPClient.exe --host H --user U --password P --encoding sjis|utf8|auto [--remote-dir D] --local-dir L
// A small two-pane FTP client. Its window class is "TkTopLevel": the main
// program refuses to refresh its own server list while such a window is open.
#include <winsock2.h>

#include <commctrl.h>

#include <string>

#include "ftp/client_options.h"
#include "ftp/command_line.h"
#include "ftp/reply.h"
#include "ftpclient/client_window.h"
#include "ftpclient/ids.h"
#include "text/sjis.h"

namespace {

constexpr const char* kUsage =
    "使い方: FTPClient.exe --host ホスト --user ユーザー名 --password パスワード --encoding sjis|utf8|auto "
    "[--remote-dir サーバーのフォルダー] --local-dir ローカルフォルダー";

std::string OptionErrorText(const OptionError& error)
{
    const std::string& subject = error.subject;
    switch (error.problem) {
    case OptionProblem::kStrayText:
        return "オプションではない文字列 " + subject + " があります。";
    case OptionProblem::kUnknownOption:
        return "不明なオプション " + subject + " があります。";
    case OptionProblem::kRepeatedOption:
        return "オプション --" + subject + " が二度指定されています。";
    case OptionProblem::kMissingOption:
        return "オプション --" + subject + " がありません。";
    case OptionProblem::kEmptyValue:
        if (subject == "host") return "接続先 (--host) が空です。機械が登録されているか確かめてください。";
        return "オプション --" + subject + " の値が空です。";
    case OptionProblem::kBadEncoding:
        return "文字コード \"" + subject + "\" には対応していません。使えるのは sjis (shift_jis, cp932)、utf8 (utf-8) と "
               "auto (OPTS UTF8 ON を送り、サーバーが受け付ければ utf8、でなければ sjis) です。";
    case OptionProblem::kNone:
        break;
    }
    return std::string();
}

// Exit codes: every early end says why in a box first.
constexpr int kExitNoWindow = 1;
constexpr int kExitBadOptions = 2;

int Refuse(const std::string& text)
{
    MessageBoxA(nullptr, (text + "\n\n" + kUsage).c_str(), kClientCaption, MB_OK | MB_ICONERROR);
    return kExitBadOptions;
}

// The window could not be made: without this box a double click on the
// program would show nothing at all. The error is read before the box,
// whose own calls change it.
int NoWindow(const char* call)
{
    DWORD error = GetLastError();
    std::string text = std::string("ウィンドウを作れませんでした (") + call + " が失敗しました。エラー " +
                       std::to_string(error) + ")。";
    MessageBoxA(nullptr, text.c_str(), kClientCaption, MB_OK | MB_ICONERROR);
    return kExitNoWindow;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    ClientWindow state;
    OptionError error;
    if (!ParseClientOptions(SkipProgramName(GetCommandLineA()), state.options, error)) {
        return Refuse(OptionErrorText(error));
    }
    std::string host;
    std::uint16_t port = 0;
    if (!SplitHostPort(state.options.host, host, port)) return Refuse("接続先 " + state.options.host + " が正しくありません。");
    state.local_folder = state.options.local_dir;
    if (!EndsWithSeparator(state.local_folder)) state.local_folder += "\\";
    DWORD attributes = GetFileAttributesA(state.local_folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return Refuse("ローカルフォルダー " + state.options.local_dir + " がありません。");
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA window_class{};
    // Redrawn whole at every size: the controls move with the window's edges.
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = DefDlgProcA;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_CLIENT));
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = "TkTopLevel";
    if (RegisterClassA(&window_class) == 0) return NoWindow("RegisterClassA");

    HWND window = CreateDialogParamA(instance, "FTPCLIENTDLG", nullptr, ClientDialogProc,
                                     reinterpret_cast<LPARAM>(&state));
    if (window == nullptr) return NoWindow("CreateDialogParamA");
    ShowWindow(window, state.start_maximized ? SW_SHOWMAXIMIZED : show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!ClientKey(window, message) && !IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
