#pragma once

#include <string>

// Console output of ftp.exe. Lines are collected and written when
// FlushOutput is called (as each command starts, before reading typed input,
// at the end): under Wine every write to a shown console window costs about
// 15 ms of drawing, more on a busy machine, which a control-script run of a
// dozen lines would otherwise pay per line. The order of the lines is kept.
void PrintLine(const std::string& text);
// Writes without a line end (prompts).
void PrintText(const std::string& text);
// Writes what has been collected.
void FlushOutput();
// Standard output fully buffered, so that only FlushOutput (and the end of
// the program) writes.
void BufferOutput();
