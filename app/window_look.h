#pragma once

#include <windows.h>

// What every window of the program shares: the program icon as its small
// icon, and colour answers from the window colour and the text colour.

void SetSmallProgramIcon(HWND window);

// Whether a high-contrast theme is on (SPI_GETHIGHCONTRAST). Then the
// program paints with the system's colours instead of the configured ones,
// which a user who needs the contrast could not read.
bool HighContrastOn();

// The window and text colours to paint with: the configured ones, or the
// system's dialog colours under a high-contrast theme.
COLORREF WindowColorInUse();
COLORREF TextColorInUse();

// A solid brush of the current window colour, kept while the colour stays
// (one brush for all windows, never one per paint).
HBRUSH WindowColorBrush();

// The answer to a static control's colour request: transparent background,
// the text colour, and WindowColorBrush().
HBRUSH StaticColors(HDC dc);

// The answers every dialog of the program gives alike: the colour requests
// of its background and of static controls, and the close request (close
// box, or RequestClose), which ends it with DIALOG_CLOSED. True when
// `message` is one of them, with the dialog procedure's answer in `answer`.
// Any other message is the dialog's own; what it leaves unhandled it answers
// FALSE, and the dialog manager passes it on to DefWindowProcA.
bool AnswerAsEveryDialog(HWND dialog, UINT message, WPARAM wparam, INT_PTR& answer);

// A dialog's close command: the same close request as its close box.
void RequestClose(HWND dialog);
