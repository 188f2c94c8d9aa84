#pragma once

#include <windows.h>

#include <functional>

// The main window's thread waits for a transfer's slow parts (the client,
// the machine's server) without leaving its windows unanswered: a window
// that reads no message for 5 s is "not responding" to Windows and to Wine
// (measured: Wine's SendMessageTimeout with SMTO_ABORTIFHUNG then fails at
// once, as Windows' does), and its owner cannot even be moved.
//
// The wait serves the thread's windows: they are painted and get every
// message that is not keyboard or mouse input; the input is dropped, so
// nothing the user clicks or types can start anything inside the transfer.
// A WM_QUIT met meanwhile is posted again afterwards.

// Serves what the thread's queue holds now (at most a few dozen messages).
// `quit` becomes true, with the code, when WM_QUIT was among them.
void ServeWindowMessages(bool& quit, WPARAM& quit_code);

// Runs `work` on a thread of its own and serves the windows until it is
// done. `work` must not touch a window itself, nor anything the windows'
// messages change: it is handed what it needs and returns what it found.
void RunServingWindows(const std::function<void()>& work);
