#include "transfer/control_file.h"

#include "app/startup_state.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/files.h"
#include "text/code_page.h"
#include "transfer/control_script.h"

PathText g_control_file_path;

namespace {

// The pause after each put line, before the client starts. Nothing of ours
// needs it (the script is flushed and closed after it, and only then run):
// it is the pace a drop has always had, the files of one drop reaching the
// server at least this far apart, kept as the users know it.
// docs/performance.md counts it in the floor of a drop.
constexpr DWORD kPutLinePauseMs = 100;

}  // namespace

int SetControlFileName(HWND main_window)
{
    PostText(main_window, kListOnly, "routine name : SetControlFileName");
    g_control_file_path.Clear();
    DateTimeRecord now;
    GetLocalDateTime(now);
    PathText name;
    name.Format("tmp\\%d%02d%02d%02d%02d.txt", now.year, now.month, now.day, now.hour, now.minute);
    // A program folder too long for the name leaves the path empty, and the
    // open that follows reports it, rather than writing a cut name elsewhere.
    ProgramFolderPath(g_control_file_path, name.c_str());
    return 0;
}

bool WriteControlText(std::FILE* control_file, const std::string& lines, ScriptEncoding encoding)
{
    if (encoding == ScriptEncoding::kAnsi) return std::fputs(lines.c_str(), control_file) >= 0;
    std::string utf8;
    bool written = AnsiToUtf8(lines, utf8) && std::fputs(utf8.c_str(), control_file) >= 0;
    SecureZeroMemory(utf8.data(), utf8.size());
    return written;
}

int WritePutCommand(std::FILE* control_file, const char* local_path, ScriptEncoding encoding)
{
    std::string line = PutCommandLine(local_path, g_selected_machine.extension_flag);
    bool written = WriteControlText(control_file, line, encoding);
    line.assign(line.size(), '\0');
    Sleep(kPutLinePauseMs);
    return written ? 0 : -1;
}
