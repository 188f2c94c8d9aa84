#pragma once

#include "app/version.h"
#include "settings/setting_text.h"
#include "text/buffers.h"

// How Vantrel.exe was started: with no word on its command line it opens
// its window; with "system", "proginf" or "version" it runs that one
// command and closes. The words' numbers are CommandLineMode's (text/parse).
enum class StartMode : int {
    kWindow = 0,
    kSystemInfo = 1,
    kProgramInfo = 2,
    kVersion = 3,
};

// The process-wide start-up state, filled once by InitializeStartup().
struct StartupState {
    PathText program_folder;  // drive and directory of the executable, ends with '\\'
    PathText settings_path;   // program folder + base name + ".ini"
    ColorRecord window_color = {220, 220, 220};
    ColorRecord text_color = {0, 0, 0};
    StartMode start_mode = StartMode::kWindow;
    int longest_line_width = 70;
    int logmode = 0;
    LineText long_copyright;
};

extern StartupState g_startup;

// Start-up initialisation: program folder, settings-file path, build number,
// copyright line, colours, the window's start mode, longest line width,
// logmode.
void InitializeStartup();

// Fills the record from the local clock; returns the weekday, 0 = Sunday.
int GetLocalDateTime(DateTimeRecord& record);

// The file's last-write time in local time; from its directory entry when
// the file cannot be opened. Returns -1 with all fields 0 when neither works.
int GetFileDateTime(const char* path, DateTimeRecord& record);

// The running executable's own date-time record (all zero when unreadable).
void GetProgramFileDateTime(DateTimeRecord& record);
