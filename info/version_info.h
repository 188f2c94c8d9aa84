#pragma once

#include <windows.h>

#include "text/fixed_text.h"

// The version box (ShellAboutA). Returns 0 when it has been closed.
int ShowVersion(HWND owner, const char* title);

// The version box's text: "<title>／<maker>#<product> Version <year><version>
// [Build Date y/m/d]". ShellAboutA shows the part before '#' as the box's
// title and the part after it as its first line.
void MakeVersionText(const char* title, FixedText<512>& out);

// The program-information window (PROGRAMINFODLG), modal to owner.
void OpenProgramInfo(HWND owner);

// Composes the six program-information lines into the message buffer.
int MakeProgramInfo();
