#pragma once

#include <windows.h>

// Appends the whole message list to Log\Vantrel<yyyymmdd>.log when
// [Vantrel] systemlog is exactly 1. Returns 0 when it wrote the file or had
// nothing to write, -1 after posting an error.
int WriteLogFile(HWND owner);
