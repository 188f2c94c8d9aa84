#include "transfer/server_file_list.h"

#include <cstdio>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "resources/resource.h"
#include "text/parse.h"
#include "text/sjis.h"
#include "transfer/file_list_pieces.h"
#include "transfer/transfer_run.h"

namespace {

// Whether the process image of a window is our FTPClient.exe (from any
// folder). A process that cannot be asked counts as another program.
bool BelongsToFtpClient(HWND window)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (process == nullptr) return false;
    PathText image;
    DWORD length = static_cast<DWORD>(image.kSize);
    bool named = QueryFullProcessImageNameA(process, 0, image.data(), &length) != FALSE;
    CloseHandle(process);
    if (!named) return false;
    PathParts parts = SplitPath(image.c_str());
    return EqualsIgnoreAsciiCase(parts.base_name + parts.extension, "FTPClient.exe");
}

// Our FTP client's window class is "TkTopLevel"; so is every Tcl/Tk
// program's (Python's IDLE and tkinter tools, git-gui, gitk), which must
// not block the refresh.
bool FtpClientWindowOpen()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "TkTopLevel", nullptr)) != nullptr) {
        if (BelongsToFtpClient(window)) return true;
    }
    return false;
}

}  // namespace

int UpdateServerFileList(HWND main_window)
{
    // An open FTP client session could be changing the server's folder: the
    // user closes it first.
    if (FtpClientWindowOpen()) {
        PostText(main_window, kListOnly, "----------");
        PostText(main_window, kListOnly, "QzrFTPクライントが起動してます");
        PostText(main_window, kListOnly, "QzrFTPクライントを閉じて下さい");
        return 0;
    }

    ListBox list(GetDlgItem(main_window, IDC_SERVER_FILE_LIST));
    list.ResetContent();
    if (RunFileList(main_window) != 0) return -1;

    PathText path;
    if (!ProgramFolderPath(path, "tmp\\filelist.tmp") ||
        !PathExists(path.c_str())) {
        return -1;
    }
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        PostText(main_window, kError, "ファイル %s オープンエラー", path.c_str());
        return -1;
    }

    // Drawn once when filled: redrawing the list and its scroll bar after each
    // added name took 4.5 s for a thousand names under Wine.
    int entries = 0;
    list.SetRedraw(false);
    for (const std::string& piece : ReadFileListPieces(file)) {
        list.AddString(piece.c_str());
        ++entries;
    }
    list.SetRedraw(true);
    std::fclose(file);
    if (!DeleteFileA(path.c_str())) {
        PostText(main_window, kError, "エラー：中間ファイルの削除に失敗");
        return -1;
    }
    if (entries == 0) {
        PostText(main_window, kError, "データサーバーのファイルがありません？");
        return -1;
    }
    return 0;
}

int RunFileList(HWND main_window)
{
    PathText program;
    if (!ProgramFolderPath(program, "filelist.exe")) {
        PostText(main_window, kError, "エラー：ファイルの実行に失敗しました");
        return -1;
    }
    const MachineRecord& machine = g_selected_machine;
    FixedText<128> arguments;
    if (machine.has_initial_folder()) {
        arguments.Format("%s %s %s %s", machine.address.c_str(), machine.user_name.c_str(), machine.password.c_str(),
                         machine.initial_folder.c_str());
    } else {
        arguments.Format("%s %s %s", machine.address.c_str(), machine.user_name.c_str(), machine.password.c_str());
    }
    int started = ExecuteAndWait(main_window, program.c_str(), arguments.c_str());
    // The arguments hold the password: cleared on the failure path too, by a
    // call the optimiser keeps although the buffer is not read again.
    SecureZeroMemory(arguments.data(), arguments.kSize);
    if (started != 0) return -1;
    program.Clear();
    return 0;
}
