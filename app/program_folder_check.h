#pragma once

#include <windows.h>

// Checks at start that the program folder can serve the transfers: every
// drop writes its control file into tmp\, and a folder Windows will not
// let it write (under Program Files or the Windows folder, read-only, or
// guarded by Controlled Folder Access) would fail each drop with an open
// error. A missing tmp\ is made. A folder that still takes no file gives one error box naming it and the likely cause.
// A folder under OneDrive gives one warning: the control files and the
// machine table hold passwords, and OneDrive copies what is written there
// to the cloud.
void CheckProgramFolder(HWND main_window);

// Started elevated (「管理者として実行」), the window would not get drops
// from Explorer, which runs at the user's level: User Interface Privilege
// Isolation filters the messages of a drop (WM_DROPFILES, WM_COPYDATA and
// WM_COPYGLOBALDATA, 0x0049) sent from a lower level. They are let through
// for this window.
void AllowDropsFromExplorer(HWND window);
