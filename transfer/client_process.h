#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ftp/timeouts.h"
#include "text/script_encoding.h"

// The system's command-line FTP client, run for one control file: started
// without a console window, its output read through a pipe, and ended when
// it runs past a limit, since the Windows client itself waits for a silent
// server for ever.

struct ClientRun {
    bool started = false;
    bool ended_by_limit = false;  // still running at the limit, and terminated
    DWORD exit_code = 0;
    DWORD start_error = 0;        // GetLastError of a start that failed
    int start_retries = 0;        // starts after one that failed through no fault of the program
    DWORD first_start_error = 0;  // what the first of those failed with
    std::string output;           // what it wrote to standard output and standard error
};

// Starts `program` (a full path) with `parameters` in `folder`, again after
// a start that failed through no fault of the program (client_start.h), and
// waits for it for at most limit_ms. While it runs, the thread's windows are
// served (painted, and every message that is not keyboard or mouse input handed
// to them), so that the window stays responsive, but the input is dropped:
// nothing the user clicks or types can start anything inside the transfer.
// A WM_QUIT met meanwhile is posted again afterwards.
ClientRun RunClient(const char* program, const char* parameters, const char* folder, std::uint64_t limit_ms);

// How long the client may run for a file of `size` bytes: the connect wait
// and a reply wait of our own FTP programs (timeouts), plus what a listing
// of that size may take at the listings' minimum rate (ListingAllowanceMs:
// another reply wait and the size at that rate).
std::uint64_t ClientTimeLimitMs(const FtpTimeouts& timeouts, std::uint64_t size);

// The control file's encoding for the client at `program`, by its file
// version (see ScriptEncodingForClient). A file without a readable version
// resource falls back to the version the system reports to this program,
// which is what decided before the file version was read.
ScriptEncoding ClientScriptEncoding(const char* program);
