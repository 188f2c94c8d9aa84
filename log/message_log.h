#pragma once

#include <windows.h>

#include "text/buffers.h"

// Message kinds: negative = error box, 0 = list only, 1 = information box,
// 3 = warning box; any other kind shows no box. An operation that fails
// after posting returns -1 itself, not the kind it posted: the failure kind
// may be kListOnly (the log file while Windows shuts down).
enum MessageKind : int {
    kError = -1,
    kListOnly = 0,
    kInformation = 1,
    kWarning = 3,
};

// The one message buffer every message is formatted into. A text too long
// for it is cut at a character boundary, never written past its end.
extern MessageText g_message;

// Takes the main window's message list (IDC_MESSAGE_LIST).
void SetMessageList(HWND list);
HWND MessageListWindow();

// Posts the message buffer: its lines go to the message list, the last line
// is selected, a box is shown by kind (caption "Vantrel", owned by owner),
// and the buffer is cleared. Returns kind.
int PostMessageBuffer(HWND owner, MessageKind kind);

// Formats into the message buffer, then posts it.
__attribute__((format(gnu_printf, 3, 4))) int PostText(HWND owner, MessageKind kind, const char* format, ...);

// The five lines posted when the main window opens.
void PostStartBanner(HWND main_window);
