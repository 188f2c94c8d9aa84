#pragma once

#include <windows.h>

// Deletes every tmp\*.txt left behind and reports each. 0 when the search
// found an entry, -1 when it found none.
int ExecuteDeleteFiles(HWND main_window);
