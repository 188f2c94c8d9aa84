#pragma once

#include <windows.h>

// Starts FTPClient.exe for the selected machine without waiting.
int StartFtpClient(HWND main_window);
