#pragma once

#include <string>

#include "text/script_encoding.h"

// The system's command-line FTP client, told apart by the file version of
// its ftp.exe (the VERSIONINFO resource), not by the version Windows
// reports: 「互換モード: Windows 7」 makes GetVersionEx report 6.1 to a
// program while the system folder still holds Windows 10's client. Microsoft
// documents the client of Windows 8 and Windows Server 2012 (6.2) and later
// as reading its -s: script in UTF-8; that client also sends OPTS UTF8 ON
// right after the greeting (docs/wine-notes.md, "The Windows ftp.exe").
struct ClientVersion {
    bool found = false;  // false: no ftp.exe, or one without a file version
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned revision = 0;
};

inline bool IsWindows8ClientOrLater(const ClientVersion& version)
{
    return version.found && ScriptEncodingFor(version.major, version.minor) == ScriptEncoding::kUtf8;
}

// The client reads its script (-s:) in UTF-8; else in the ANSI code page.
inline bool ClientReadsUtf8(const ClientVersion& version) { return IsWindows8ClientOrLater(version); }
// The client sends OPTS UTF8 ON before USER, and names in UTF-8 when the server answers 2xx.
inline bool ClientOffersUtf8(const ClientVersion& version) { return IsWindows8ClientOrLater(version); }

// The file version of the program at `path` (Windows builds).
ClientVersion FileVersionOf(const std::string& path);
// Of GetSystemDirectory's ftp.exe, the client Vantrel starts.
ClientVersion SystemFtpClientVersion();
// Of the running program (ftp.exe reads its own).
ClientVersion OwnFileVersion();
