#include "log/log_file.h"

#include <cstdio>
#include <cstdlib>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace {

// Each kept line with the list it belongs to and the number of that list's
// lines before it.
struct LogLine {
    HWND list;
    int before;
    std::string text;
};
std::vector<LogLine> g_log_lines;

bool LogIsOn() { return ReadProfileInt("Vantrel", "systemlog", 0, g_startup.settings_path.c_str()) == 1; }

}  // namespace

void KeepLogLines(const std::vector<std::string>& lines)
{
    if (!LogIsOn()) return;
    HWND list = MessageListWindow();
    int before = ListBox(list).GetCount();
    for (const std::string& line : lines) g_log_lines.push_back({list, before, line});
}

int WriteLogFile(HWND owner, MessageKind failure)
{
    if (!LogIsOn()) return 0;

    ListBox list(MessageListWindow());
    int count = list.GetCount();
    if (count < 1) return 0;

    // Both paths are formed whole: a longer program folder cut to a buffer
    // would make the folder test and the open fail, and write no log at all.
    PathText folder;
    if (!ProgramFolderPath(folder, "Log")) {
        PostText(owner, failure, "フォルダ %sLog 作成失敗", g_startup.program_folder.c_str());
        return -1;
    }
    if (!PathExists(folder.c_str()) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        PostText(owner, failure, "フォルダ %s 作成失敗", folder.c_str());
        return -1;
    }

    DateTimeRecord now;
    GetLocalDateTime(now);
    PathText name;
    name.Format("Log\\%s%d%02d%02d.log", kProductName, now.year, now.month, now.day);
    PathText path;
    bool formed = ProgramFolderPath(path, name.c_str());
    folder.Clear();
    if (!formed) {
        PostText(owner, failure, "ログファイル %s%s 作成失敗", g_startup.program_folder.c_str(), name.c_str());
        return -1;
    }

    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        PostText(owner, failure, "ログファイル %s 作成失敗", path.c_str());
        return -1;
    }

    static const char kRule[] = "----------------------------------------------------------------------\n";
    const char* computer = std::getenv("COMPUTERNAME");
    std::fputs(kRule, file);
    std::fprintf(file, "%10s%s ・ %d年 %d月 %d日  %d時 %d分 %d秒\n", " ", computer != nullptr ? computer : "(null)",
                 now.year, now.month, now.day, now.hour, now.minute, now.second);
    std::fputs(kRule, file);
    std::vector<const LogLine*> kept;
    for (const LogLine& line : g_log_lines) {
        if (line.list == list.hwnd()) kept.push_back(&line);
    }
    auto next = kept.begin();
    for (int i = 0; i <= count; ++i) {
        for (; next != kept.end() && (*next)->before <= i; ++next) std::fprintf(file, "%s\n", (*next)->text.c_str());
        if (i == count) break;
        list.GetLine(i, g_message);
        std::fprintf(file, "%s\n", g_message.c_str());
        g_message.Clear();
    }
    std::fputs("\n", file);
    std::fclose(file);
    path.Clear();
    return 0;
}
