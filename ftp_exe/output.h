#pragma once

#include <string>

// Console output of ftp.exe: each call writes whole lines and flushes, so
// that a caller reading a pipe sees them in order with the server's replies.
void PrintLine(const std::string& text);
// Writes without a line end (prompts).
void PrintText(const std::string& text);
