#pragma once

#include <windows.h>

#include "text/buffers.h"

// The path of the file being transferred: filled by the drop handler, read
// and cleared by StartVantrel.
extern PathText g_dropped_file_path;

// Sends the dropped file to the selected machine. 0 on success, -1 after
// posting the failure. `client` is the FTP client to run: the system's
// ftp.exe when null (the tests name another).
int StartVantrel(HWND main_window, const char* client = nullptr);

// Starts program through the shell (no verb, shown normally, without the
// zone check: StartThroughShell) and waits for it to end, in its working
// folder when one is given, else in this program's current folder. 0 when
// it ran, -1 after posting that it could not be started. When exit_code is
// given it receives the program's exit status.
int ExecuteAndWait(HWND owner, const char* program, const char* parameters, DWORD* exit_code = nullptr,
                   const char* folder = nullptr);
