#include "transfer/temp_cleanup.h"

#include <cstring>

#include "app/startup_state.h"
#include "log/message_log.h"

int ExecuteDeleteFiles(HWND main_window)
{
    PostText(main_window, kListOnly, "routine name : ExecuteDeleteFiles");

    // The ANSI find functions take at most MAX_PATH bytes: a program folder
    // longer than 249 bytes cannot be searched, so there is no clean-up then.
    FixedText<MAX_PATH> pattern;
    if (!pattern.FormatWhole("%s\\tmp\\*.txt", g_startup.program_folder.c_str())) {
        PostText(main_window, kListOnly, "... プログラムフォルダのパスが長すぎるため tmp を整理できません");
        return -1;
    }

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return -1;

    PostText(main_window, kListOnly, "---");
    FixedText<520> path;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (std::strstr(entry.cFileName, ".lnk") != nullptr) continue;
        bool deleted = path.FormatWhole("%s\\tmp\\%s", g_startup.program_folder.c_str(), entry.cFileName) &&
                       DeleteFileA(path.c_str());
        PostText(main_window, kListOnly, deleted ? "[成功] %s" : "[失敗] %s", entry.cFileName);
        path.Clear();
    } while (FindNextFileA(search, &entry));
    FindClose(search);

    PostText(main_window, kListOnly, "---");
    return 0;
}
