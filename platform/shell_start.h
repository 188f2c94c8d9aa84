#pragma once

#include <windows.h>

// Starts `program` through the shell (ShellExecuteExA): no verb, shown
// normally, with `parameters`, in `folder` when one is given (else in this
// program's current folder), owned by `owner`, and without the zone check.
// When `process` is given it receives the started process's handle, for the
// caller to wait on and close (null when the shell handed the start on and
// has no process to give). False when the shell could not start it; the
// shell has then shown its own box for it.
bool StartThroughShell(HWND owner, const char* program, const char* parameters, const char* folder = nullptr,
                       HANDLE* process = nullptr);
