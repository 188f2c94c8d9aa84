#pragma once

#include <string>
#include <string_view>

// Conversions between the ANSI code page (Shift-JIS, code page 932, on the
// systems the program is written for) and UTF-8. Windows builds ask the
// system (text/code_page_win.cpp); the native test build uses iconv's CP932
// (text/code_page_iconv.cpp). Both refuse rather than guess: bytes that the
// code page maps to no character, malformed UTF-8, or a character the code
// page cannot write (no best-fit "e" for "é") give false and an empty out.
// The texts may hold a password: no copy is left behind in memory that
// these functions gave up.
bool AnsiToUtf8(std::string_view ansi, std::string& utf8);
bool Utf8ToAnsi(std::string_view utf8, std::string& ansi);
