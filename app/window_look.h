#pragma once

#include <windows.h>

// What every window of the program shares: the program icon as its small
// icon, and colour answers from the window colour and the text colour.

void SetSmallProgramIcon(HWND window);

// A solid brush of the current window colour, kept while the colour stays
// (one brush for all windows, never one per paint).
HBRUSH WindowColorBrush();

// The answer to a static control's colour request: transparent background,
// the text colour, and WindowColorBrush().
HBRUSH StaticColors(HDC dc);
