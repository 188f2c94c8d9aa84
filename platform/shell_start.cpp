#include "platform/shell_start.h"

#include <shellapi.h>

bool StartThroughShell(HWND owner, const char* program, const char* parameters, const char* folder, HANDLE* process)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    // The programs started here are our own (filelist.exe, FTPClient.exe)
    // and the system's ftp.exe. Unpacked from a downloaded ZIP, ours carry
    // the Internet zone mark, and the zone check would ask about it with a
    // security prompt at every start, inside a wait that blocks the window.
    request.fMask = SEE_MASK_NOZONECHECKS | (process != nullptr ? SEE_MASK_NOCLOSEPROCESS : 0);
    request.hwnd = owner;
    request.lpFile = program;
    request.lpParameters = parameters;
    request.lpDirectory = folder;
    request.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&request)) return false;
    if (process != nullptr) *process = request.hProcess;
    return true;
}
