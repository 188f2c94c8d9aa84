#include "info/version_info.h"

#include <shellapi.h>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "resources/resource.h"

void MakeVersionText(const char* title, FixedText<512>& out)
{
    out.Format("%s／%s#%s Version %d%c%d.%02d.%d [Build Date %d/%d/%d]", title, kMakerName, kProductName,
               g_version.year, VersionLetter(), g_version.major, g_version.minor, g_version.build, g_version.year,
               g_version.month, g_version.day);
}

int ShowVersion(HWND owner, const char* title)
{
    FixedText<512> text;
    MakeVersionText(title, text);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
    ShellAboutA(owner, text.c_str(), g_startup.long_copyright.c_str(), icon);
    text.Clear();
    return 0;
}

int MakeProgramInfo()
{
    DateTimeRecord file_time;
    GetProgramFileDateTime(file_time);
    g_message.Clear();
    g_message.Format("%12s : %s\n%12s : %s\n%12s : %d%c%d.%02d.%d\n%12s : %d/%02d/%02d %02d:%02d:%02d\n%12s : %s\n"
                     "%12s : %s\n",
                     "Developer", kMakerName, "Software", kProductName, "Version", g_version.year, VersionLetter(),
                     g_version.major, g_version.minor, g_version.build, "Build Date", file_time.year, file_time.month,
                     file_time.day, file_time.hour, file_time.minute, file_time.second, "Copyright",
                     g_startup.long_copyright.c_str(), "Official", kMakerWebAddress);
    return 0;
}
