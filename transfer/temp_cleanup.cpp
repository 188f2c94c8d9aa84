#include "transfer/temp_cleanup.h"

#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/files.h"
#include "transfer/control_script.h"

int ExecuteDeleteFiles(HWND main_window)
{
    PostText(main_window, kListOnly, "routine name : ExecuteDeleteFiles");

    // The ANSI find functions take at most MAX_PATH bytes: a program folder
    // longer than 250 bytes cannot be searched, so there is no clean-up then.
    FixedText<MAX_PATH> pattern;
    if (!ProgramFolderPath(pattern, "tmp\\*.txt")) {
        PostText(main_window, kListOnly, "... プログラムフォルダのパスが長すぎるため tmp を整理できません");
        return -1;
    }

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return -1;

    PostText(main_window, kListOnly, "---");
    PathText path;
    PathText relative;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (!IsLeftoverControlFile(entry.cFileName)) continue;
        relative.Format("tmp\\%s", entry.cFileName);
        bool deleted = ProgramFolderPath(path, relative.c_str()) && DeleteFileA(path.c_str());
        PostText(main_window, kListOnly, deleted ? "[成功] %s" : "[失敗] %s", entry.cFileName);
        path.Clear();
        relative.Clear();
    } while (FindNextFileA(search, &entry));
    FindClose(search);

    PostText(main_window, kListOnly, "---");
    return 0;
}
