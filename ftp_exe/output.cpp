#include "ftp_exe/output.h"

#include <cstdio>

void PrintText(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintLine(const std::string& text) { PrintText(text + "\n"); }

void FlushOutput() { std::fflush(stdout); }

void BufferOutput() { std::setvbuf(stdout, nullptr, _IOFBF, 16 * 1024); }
