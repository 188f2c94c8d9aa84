#pragma once

#include <windows.h>

// The delivery check that [Vantrel] verify=1 asks for. The Windows client
// goes on after a failed command and ends as after a good run, so a wrong
// password, a server that is off or a missing initial folder pass in
// silence. After the client has ended, Vantrel itself logs in to the
// selected machine's data server, changes to its initial folder and asks for
// the size of the name the control file gave the file (a listing of the
// folder when the server has no SIZE).
//
// Posts one message: "... 転送確認済み" (list only) when the server holds the
// file at the local file's size; an error box when the file is missing or
// has another size; a warning box when the server could not be asked. When
// the client's own failure has been reported already, the finding goes to
// the list only: one failure, one box.
//
// Returns -1 after an error box, otherwise 0. With verify not 1 it does
// nothing at all.
int CheckDelivery(HWND main_window, const char* local_path, bool client_failure_reported);
