#include "app/startup_state.h"

#include <windows.h>

#include <string>

#include "platform/profile.h"
#include "platform/program_folder.h"
#include "settings/settings_file.h"

StartupState g_startup;

void InitializeStartup()
{
    g_startup.program_folder.Assign(ProgramFolder().c_str());

    CompleteBuildNumber();
    g_startup.settings_path.Assign(ProgramSettingsPath().c_str());

    g_startup.long_copyright.Format("Copyright (C) 2019-%d %s. All rights reserved.", g_version.year,
                                    kMakerName);

    g_startup.window_color = {220, 220, 220};
    ReadColorValue("window", g_startup.window_color);
    g_startup.text_color = {0, 0, 0};
    ReadColorValue("text", g_startup.text_color);

    g_startup.start_mode = StartMode::kWindow;
    g_startup.longest_line_width = 70;
    g_startup.logmode = ReadProfileInt("Vantrel", "logmode", 0, g_startup.settings_path.c_str());
}

int GetLocalDateTime(DateTimeRecord& record)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    record = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    return now.wDayOfWeek;
}

namespace {

void FillFromFileTime(const FILETIME& utc, DateTimeRecord& record)
{
    FILETIME local;
    SYSTEMTIME fields;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &fields);
    record = {fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond};
}

}  // namespace

int GetFileDateTime(const char* path, DateTimeRecord& record)
{
    record = {0, 0, 0, 0, 0, 0};
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        FILETIME written;
        BOOL ok = GetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        if (ok) FillFromFileTime(written, record);
        return 0;
    }
    // Held open without sharing (the running program's own file is): the
    // directory entry still has the time.
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return -1;
    FillFromFileTime(entry.ftLastWriteTime, record);
    FindClose(search);
    return 0;
}

void GetProgramFileDateTime(DateTimeRecord& record)
{
    std::string path = ModulePath();
    GetFileDateTime(path.c_str(), record);
}
