#pragma once

#include <windows.h>

// The delivery check that [Vantrel] verify=1 asks for. The Windows client
// goes on after a failed command and ends as after a good run, so a wrong
// password, a server that is off, a missing initial folder or a refused
// upload pass in silence; and an old program of the same length (a feed
// F1000 edited to F1200) looks like the new one by its size. After the
// client has ended, Vantrel itself logs in to the selected machine's data
// server, changes to its initial folder, asks for the size of the name the
// control file gave the file (a listing of the folder when the server has
// no SIZE), and reads the file back in binary, comparing it byte for byte
// with the local file as it arrives (64 KiB blocks, never a whole file),
// up to the first difference. A size that differs fails it without the
// read-back.
//
// Posts one message: "... 転送確認済み" (list only) when the content is the
// same; an error box naming the file, the folder and what differs (missing,
// the sizes, or the first differing byte) otherwise; a warning box when the
// server could not be asked or would not give the file back. When the
// client's own failure has been reported already, the finding goes to the
// list only: one failure, one box.
//
// Returns -1 after an error box, otherwise 0. With verify not 1 it does
// nothing at all.
int CheckDelivery(HWND main_window, const char* local_path, bool client_failure_reported);
