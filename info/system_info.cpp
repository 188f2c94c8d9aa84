#include "info/system_info.h"

#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/profile.h"

namespace {

constexpr char kSection[] = "system";

// The two keys are independent: a failed write is reported and the other key
// is still tried.
void WriteSystemKey(HWND main_window, const char* key, const char* value)
{
    if (!WriteProfileText(kSection, key, value, g_startup.settings_path.c_str()))
        PostText(main_window, kError, "エラー：[%s] %s=%s | 書き込み失敗", kSection, key, value);
}

}  // namespace

int UpdateSystemInfo(HWND main_window)
{
    PostText(main_window, kListOnly, "+++ システム情報の更新");

    LineText value;
    value.Format("%c%d.%02d.%d", VersionLetter(), g_version.major, g_version.minor, g_version.build);
    WriteSystemKey(main_window, "version", value.c_str());
    value.Clear();

    // The program file's time, not the moment of the update: all zero when
    // it cannot be read.
    DateTimeRecord file_time;
    GetProgramFileDateTime(file_time);
    value.Format("%d/%02d/%02d %02d:%02d:%02d", file_time.year, file_time.month, file_time.day, file_time.hour,
                 file_time.minute, file_time.second);
    WriteSystemKey(main_window, "datetime", value.c_str());
    value.Clear();
    return 0;
}
