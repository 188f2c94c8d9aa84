#include "ftp_exe/output.h"

#include <cstdio>

void PrintText(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintLine(const std::string& text) { PrintText(text + "\n"); }
