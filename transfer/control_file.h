#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "text/buffers.h"
#include "text/script_encoding.h"

// The path of the current control file: tmp\<yyyymmddhhmm>.txt under the
// program folder. Formed by SetControlFileName, cleared after a good run.
extern PathText g_control_file_path;

// Posts its routine line and forms the control-file name from the local
// clock (minute resolution). Returns 0.
int SetControlFileName(HWND main_window);

// Writes lines of the control file, held in the ANSI code page, in the
// encoding the client reads. False when the stream refused them (it
// buffers: a full disk may show only at the close) or, for UTF-8, when they
// do not convert (ControlScriptFault catches that first). The converted copy
// is cleared: the lines may hold the password.
bool WriteControlText(std::FILE* control_file, const std::string& lines, ScriptEncoding encoding);

// Writes the put line for local_path with the selected machine's extension
// flag, then pauses before the client starts (kPutLinePauseMs). Returns 0,
// or -1 when the line was not written.
int WritePutCommand(std::FILE* control_file, const char* local_path, ScriptEncoding encoding);
