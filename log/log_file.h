#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "log/message_log.h"

// Appends the whole message list to Log\Vantrel<yyyymmdd>.log when
// [Vantrel] systemlog is exactly 1. Returns 0 when it wrote the file or had
// nothing to write, -1 after posting an error as `failure` (kListOnly while
// Windows shuts down: a box then would hold up the shutdown).
int WriteLogFile(HWND owner, MessageKind failure = kError);

// Keeps lines for the log file only (the FTP client's transcript): they never
// show in the message list, and are written after the list's lines that were
// posted before them. Kept only while [Vantrel] systemlog is 1.
void KeepLogLines(const std::vector<std::string>& lines);
