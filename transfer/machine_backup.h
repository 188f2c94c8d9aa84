#pragma once

#include <windows.h>

#include <string>

class FtpSession;

// The backup that [Vantrel] backup=1 asks for. Operators edit programs at
// the control, and a transfer of the same name replaces the edited one
// without a word; so before the client runs, Vantrel logs in to the
// selected machine itself, changes to its initial folder when the control
// file will, and looks for the name the put line will use. When it is
// there, its content is read into
//   backup\<registration name>\<YYYYMMDD>\<hhmmss>_<remote name>
// under the program folder (written under a temporary name and renamed when
// whole, never over an earlier backup), and compared with the file to be
// sent as it arrives.
//
// `logged_in`, when given, is a session that LogInToMachine has made ready
// (the check's): the backup looks and reads there instead of logging in
// again. Either way the session is closed when this returns.
//
// Gives one list line to post in `line`: the name is not there; or the
// backup's path and size, and whether the machine's copy is the same as the
// file to be sent. It touches no window (it runs beside the window's
// thread). Returns false when the copy could not be made (the server
// refused or broke off the read, no connection or login, a refused initial
// folder, a local folder or disk that takes no file): `why` then says why,
// `line` is empty, and the transfer must not run. With backup not 1 it does
// nothing and returns true with `line` empty.
bool BackUpMachineCopy(const char* local_path, FtpSession* logged_in, std::string& why, std::string& line);
