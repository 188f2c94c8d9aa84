#pragma once

#include <windows.h>

#include <string>

// Names from the wide (UTF-16) side of Windows in the ANSI code page, only
// when they are exact. The ANSI calls (DragQueryFileA, FindFirstFileA) write
// a character that Shift-JIS lacks as its best fit or as '?': "café.nc"
// comes back as "cafe.nc", which names another file or none, and a transfer
// of that name would send the other file.

// `wide` (`length` characters) in the ANSI code page; false, and `ansi`
// empty, when a character has no exact form there.
bool WideToExactAnsi(const wchar_t* wide, int length, std::string& ansi);

// The dropped file `index` of `drop` in the ANSI code page, as WideToExactAnsi.
bool DroppedPathInAnsi(HDROP drop, UINT index, std::string& path);

// An ANSI text in UTF-16, for a wide call; false when it holds bytes the code
// page maps to no character.
bool AnsiToWide(const std::string& ansi, std::wstring& wide);
