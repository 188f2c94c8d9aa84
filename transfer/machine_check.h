#pragma once

#include <windows.h>

#include <string>

// The check before the client. The Windows client goes on after a failed
// command and ends as after a good run: after a refused login the put line
// fails with "Not connected.", after a refused cd the file goes into the
// login folder, and a server that hangs up on its OPTS UTF8 ON gets nothing.
// So before the control file holds anything, Vantrel meets the selected
// machine itself the way the client will: the greeting, OPTS UTF8 ON where
// the system's client sends it, the login, and the initial folder when the
// control file changes to one.

// [Vantrel] check: on unless it reads as 0 (0, or a word: GetPrivateProfileInt
// reads digits only); missing, empty and any other number: on.
bool MachineCheckWanted();

// Runs the check, when wanted, and the backup of backup=1 on the check's
// session (one login for both). True when the client may run: nothing
// posted by the check itself, the backup's one list line when it ran.
// False with `stop`, the text of the one error box, which the caller posts
// once the control file is gone (a box waits for the user for as long as he
// likes): the check's, naming `machine_name`, the step that failed
// (connection, login, folder) and the server's own words; or the backup's
// (see BackUpMachineCopy). The session is closed before this returns either
// way: the client must not meet a second connection of ours (servers may
// take one at a time), and nothing of ours is sent.
bool PrepareMachine(HWND main_window, const char* machine_name, const char* local_path, std::string& stop);
