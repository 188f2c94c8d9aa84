#pragma once

#include <windows.h>

// Runs the initial settings dialog (INITIALSETTINGDLG) modally.
void OpenInitialSettingsDialog(HWND main_window);
