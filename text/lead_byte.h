#pragma once

// Whether a byte opens a double-byte character in the ANSI code page.
// Windows builds ask the system (IsDBCSLeadByte); the native test build uses
// the Shift-JIS (code page 932) ranges, which is what the program meets on
// the Japanese systems it is written for.
bool IsLeadByte(unsigned char byte);
