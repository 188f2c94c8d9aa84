#pragma once

#include <windows.h>

#include <cstdio>

#include "text/buffers.h"

// The path of the current control file: tmp\<yyyymmddhhmm>.txt under the
// program folder. Formed by SetControlFileName, cleared after a good run.
extern PathText g_control_file_path;

// Posts its routine line and forms the control-file name from the local
// clock (minute resolution). Returns 0.
int SetControlFileName(HWND main_window);

// Writes the put line for local_path with the selected machine's extension
// flag, then pauses 100 ms. Returns 0, or -1 when the stream refused the
// line (the stream buffers: a full disk may show only at the close).
int WritePutCommand(std::FILE* control_file, const char* local_path);
