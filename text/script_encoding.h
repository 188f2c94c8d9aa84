#pragma once

// The encoding in which the system's command-line FTP client reads a script
// given with "-s:". Microsoft documents the client of Windows 8 and Windows
// Server 2012 (version 6.2) and later as reading it in UTF-8; the clients
// before read the ANSI code page (Shift-JIS on a Japanese system), like
// every other text of this program.
enum class ScriptEncoding { kAnsi, kUtf8 };

ScriptEncoding ScriptEncodingFor(unsigned long major_version, unsigned long minor_version);

// A major.minor version: a program file's (its version resource) or the system's.
struct VersionNumber {
    unsigned long major = 0;
    unsigned long minor = 0;
};

// The encoding for a client by its program file's version, which is the
// system's own for the client in the system folder and stays so when a
// compatibility mode makes the system report an older version to a
// program. Without a file version (no version resource, or one that cannot
// be read) the system's version decides.
ScriptEncoding ScriptEncodingForClient(const VersionNumber* client_file, const VersionNumber& system);

// The version the running system reports to this program (Windows builds;
// 0.0 when it cannot be asked), and the encoding for it.
VersionNumber ReportedSystemVersion();
ScriptEncoding SystemScriptEncoding();
