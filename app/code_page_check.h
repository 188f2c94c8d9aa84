#pragma once

// Every text of the program, every path and settings value, is Shift-JIS
// through the ANSI code page. On a system whose ANSI code page is not 932 (a
// non-Japanese system locale, or the option "Beta: Use Unicode UTF-8 for
// worldwide language support") each would be garbled. For such a code page
// this shows one box that says so, written with the wide API so that it
// reads right on any system, and returns false; for 932 it returns true.
bool CheckAnsiCodePage(unsigned code_page);
