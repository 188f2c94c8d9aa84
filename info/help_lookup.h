#pragma once

#include <windows.h>

// Opens the help file that help\help.ini names for key. 0 when the shell was
// asked to open it, -1 when the lookup failed (error posted).
int OpenHelpFile(HWND owner, const char* key);
