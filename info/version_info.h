#pragma once

#include <windows.h>

// The version box (ShellAboutA). Returns 0 when it has been closed.
int ShowVersion(HWND owner, const char* title);

// The program-information window (PROGRAMINFODLG), modal to owner.
void OpenProgramInfo(HWND owner);

// Composes the six program-information lines into the message buffer.
int MakeProgramInfo();
