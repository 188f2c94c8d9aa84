#pragma once

#include <windows.h>

// The main window: a modeless dialog from MAINPROGRAMDLG on the class
// "Vantrel", whose class procedure is also its dialog procedure.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Places the main window from [window] X and Y of the settings file.
void PlaceMainWindow(HWND main_window);

// Moves and shows the main window at fractions x, y of the free screen area
// (the work area, which leaves out the taskbar on whichever edge it stands);
// fractions outside 0 to 1 count as the nearer edge.
void MoveMainWindow(HWND main_window, double x, double y);

// Creates the status bar (id 100) with its three parts and texts.
void CreateStatusBar(HWND main_window);

// The result of the last fill of the machine combo box.
extern int g_machine_count;
