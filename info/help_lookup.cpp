#include "info/help_lookup.h"

#include <shellapi.h>

#include <cstring>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace {

constexpr char kHelpFolderName[] = "help\\";
constexpr char kHelpTableName[] = "help.ini";

using HelpFolder = FolderText;
using HelpPath = PathText;
using HelpFileName = FixedText<128>;

// Only the help folder can outgrow its buffer (the program folder may take
// up to 519 bytes); the table and file paths are built from a help folder
// that fits and a name of bounded length, so they always fit theirs.
static_assert(HelpFolder::kSize - 1 + sizeof(kHelpTableName) - 1 < HelpPath::kSize);
static_assert(HelpFolder::kSize - 1 + HelpFileName::kSize - 1 < HelpPath::kSize);

}  // namespace

int OpenHelpFile(HWND owner, const char* key)
{
    const char* program_folder = g_startup.program_folder.c_str();
    // A help folder cut to its buffer would name some other folder: refuse it whole.
    if (std::strlen(program_folder) + std::strlen(kHelpFolderName) >= HelpFolder::kSize) {
        PostText(owner, kError, "エラー：ヘルプフォルダのパスが長すぎます %s%s", program_folder, kHelpFolderName);
        return -1;
    }

    HelpFolder help_folder;
    help_folder.Format("%s%s", program_folder, kHelpFolderName);
    HelpPath help_table;
    help_table.Format("%s%s", help_folder.c_str(), kHelpTableName);
    if (!PathExists(help_table.c_str())) {
        PostText(owner, kError, "ヘルプテーブル %s がありません。", help_table.c_str());
        return -1;
    }

    HelpFileName file_name;
    if (ReadProfileText("help", key, file_name, help_table.c_str()) == 0) {
        PostText(owner, kError, "エラー：[help] %s= | ヘルプファイル取得失敗", key);
        return -1;
    }

    HelpPath help_file;
    help_file.Format("%s%s", help_folder.c_str(), file_name.c_str());
    file_name.Clear();
    help_table.Clear();
    help_folder.Clear();
    if (!PathExists(help_file.c_str())) {
        PostText(owner, kError, "ヘルプファイル %s がありません。", help_file.c_str());
        return -1;
    }

    // The shell starts the viewer and returns at once; its answer is only reported.
    HINSTANCE answer = ShellExecuteA(owner, "open", help_file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(answer) <= 32) PostText(owner, kError, "エラー：ヘルプファイルが開けません");
    help_file.Clear();
    return 0;
}
