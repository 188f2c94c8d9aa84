#pragma once

#include "app/version.h"
#include "settings/setting_text.h"
#include "text/buffers.h"

// The process-wide start-up state, filled once by InitializeStartup().
struct StartupState {
    PathText program_folder;  // drive and directory of the executable, ends with '\\'
    PathText settings_path;   // program folder + base name + ".ini"
    ColorRecord window_color = {220, 220, 220};
    ColorRecord text_color = {0, 0, 0};
    int command_line_mode = 0;  // 0 none, 1 "system", 2 "proginf", 3 "version"
    int longest_line_width = 70;
    int logmode = 0;
    LineText long_copyright;
};

extern StartupState g_startup;

// Start-up initialisation: program folder, settings-file path, build number,
// copyright line, colours, mode 0, longest line width, logmode.
void InitializeStartup();

// Fills the record from the local clock; returns the weekday, 0 = Sunday.
int GetLocalDateTime(DateTimeRecord& record);

// The file's last-write time in local time; from its directory entry when
// the file cannot be opened. Returns -1 with all fields 0 when neither works.
int GetFileDateTime(const char* path, DateTimeRecord& record);

// The running executable's own date-time record (all zero when unreadable).
void GetProgramFileDateTime(DateTimeRecord& record);
