#include "app/program_folder_check.h"

#include <cstdlib>
#include <string>

#include "app/folder_place.h"
#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/files.h"

namespace {

// Not documented in the SDK's headers; the message the shell's drop sends
// before WM_DROPFILES crosses a privilege level.
constexpr UINT kCopyGlobalData = 0x0049;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

KnownFolders SystemFolders()
{
    KnownFolders known;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        std::string folder = Environment(name);
        if (!folder.empty()) known.program_files.push_back(folder);
    }
    char windows[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) known.windows = windows;
    for (const char* name : {"OneDrive", "OneDriveCommercial", "OneDriveConsumer"}) known.onedrive.push_back(Environment(name));
    return known;
}

// Creates and deletes a file in tmp\, as a drop's control file would be;
// a tmp\ that is missing (removed by hand) is made first, as the installer does.
bool TmpFolderTakesFiles()
{
    PathText tmp;
    PathText probe;
    if (!ProgramFolderPath(tmp, "tmp") || !ProgramFolderPath(probe, "tmp\\vantrel-write-check.tmp")) return false;
    if (!PathExists(tmp.c_str())) CreateDirectoryA(tmp.c_str(), nullptr);
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

void CheckProgramFolder(HWND main_window)
{
    const char* folder = g_startup.program_folder.c_str();
    FolderPlace place = ClassifyFolder(folder, SystemFolders());
    if (!TmpFolderTakesFiles()) {
        const char* cause =
            place == FolderPlace::kProgramFiles || place == FolderPlace::kWindows
                ? "Windows は「Program Files」と Windows のフォルダーへの書き込みを管理者にしか許しません。"
                  "Vantrel のフォルダーを、たとえば C:\\Vantrel に移してください"
                : "フォルダーが読み取り専用か、Windows セキュリティの「コントロールされたフォルダー アクセス」が書き込みを"
                  "止めています。読み取り専用を外すか、コントロールされたフォルダー アクセスで Vantrel.exe を許可してください";
        PostText(main_window, kError, "エラー：フォルダー %stmp にファイルを書き込めないため、転送できません。%s", folder, cause);
        return;
    }
    if (place == FolderPlace::kOneDrive) {
        PostText(main_window, kWarning,
                 "警告：Vantrel のフォルダー %s は OneDrive の中にあります。コントロールファイルとマシニングテーブルには"
                 "パスワードが書かれ、OneDrive がクラウドに同期します。OneDrive の外のフォルダーに移してください",
                 folder);
    }
}

void AllowDropsFromExplorer(HWND window)
{
    for (UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
}
