#pragma once

#include <windows.h>

// Looks at the first bytes of the INI file at `path` (the settings file or
// the machine table). When they are UTF-8 (ini_encoding.h), shows one error
// box naming the file and how to save it again, and refuses every later
// write of this run to it: a value written in Shift-JIS would leave a file
// of two encodings, which no editor shows right. False after the box; true
// for a file in the ANSI code page and for one that cannot be read (a
// missing file is made by the program itself, in the ANSI code page).
bool CheckIniFileEncoding(HWND owner, const char* path);
