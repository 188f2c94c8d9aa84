#pragma once

#include <windows.h>

// Writes [system] version and datetime into the settings file. Returns 0.
int UpdateSystemInfo(HWND main_window);
