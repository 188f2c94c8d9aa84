#pragma once

#include <windows.h>

// Refreshes the data-server file list (IDC_SERVER_FILE_LIST) through filelist.exe.
int UpdateServerFileList(HWND main_window);

// Runs filelist.exe for the selected machine and waits for it.
int RunFileList(HWND main_window);
