#pragma once

// The encoding in which the system's command-line FTP client reads a script
// given with "-s:". Microsoft documents the client of Windows 8 and Windows
// Server 2012 (version 6.2) and later as reading it in UTF-8; the clients
// before read the ANSI code page (Shift-JIS on a Japanese system), like
// every other text of this program.
enum class ScriptEncoding { kAnsi, kUtf8 };

ScriptEncoding ScriptEncodingFor(unsigned long major_version, unsigned long minor_version);

// The encoding for the version the running system reports (Windows builds).
ScriptEncoding SystemScriptEncoding();
