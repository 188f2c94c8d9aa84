#pragma once

#include <windows.h>

// Runs the machine registration dialog (SETTINGMACHINEDLG) modally, then
// refills the machine combo box and stores the machine count. Returns 0.
int OpenMachineDialog(HWND main_window, HINSTANCE instance);
