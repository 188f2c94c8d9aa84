#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "machines/machine_record.h"
#include "text/script_encoding.h"

// The content of the FTP control file, line by line, each line ending in a
// line feed (the text-mode stream stores it as CR LF). Values are written
// byte for byte in the ANSI code page, as they are held (WriteControlText
// converts the lines for a client that reads UTF-8); only a value holding a
// blank is quoted, because the command-line client would otherwise split it
// into two arguments.

// Lines 1 to 5: open, user name, password, binary, and "cd" only when the
// record's fields-read count is 4. Check ControlScriptFault first.
std::string ControlFileHead(const MachineRecord& machine);

// The open line. An address with a port, "host:port", becomes
// "open host port": the Windows client takes the port as a word of its own
// and would look up "host:port" as a name.
std::string OpenLine(const char* address);

// The put line. With the extension flag not 0 only the local path is named;
// with 0 the remote name is the local file's base name without extension.
std::string PutCommandLine(const char* local_path, int extension_flag);

// The name the file gets on the server: the base name the put line gives
// (extension flag 0), or, when it gives none, the client's own choice, the
// last component of the local path.
std::string RemoteName(const char* local_path, int extension_flag);

inline constexpr const char* kQuitLine = "quit\n";

// The longest name the put line gives a file on the server, in bytes: what
// FTP servers and the file systems of machine controls take for one name.
inline constexpr std::size_t kLongestRemoteName = 255;

// Whether the name the file would get on the server (RemoteName, uncut) is
// longer than kLongestRemoteName. The put line would cut it, and with the
// extension flag not 0 the client itself chooses the name and stores it
// uncut: the machine would get another name than the backup and the
// delivery check look for, or a cut name without a word. Such a drop is refused.
bool RemoteNameTooLong(const char* local_path, int extension_flag);

// Whether a name found in tmp by the start-up clean-up is one it deletes: a
// name ending in ".txt" in any ASCII case, and without ".lnk" in it. The
// search for "*.txt" also matches through a file's short (8.3) name, so
// "O1000.txt1", whose short name is "O1000~1.TXT", is found too and must stay.
bool IsLeftoverControlFile(std::string_view name);

// The client's single parameter: "-s:" and the control file's own name
// (digits and ".txt"). The client runs in the control file's folder: the
// Windows client takes no blank in the path after "-s:", quoted or not.
std::string ClientParameters(const char* control_file_path);

// Why a drop cannot be written as a control file, or nullptr when it can:
// an empty path, a line break in any value, a double quote in a value that
// the client splits into words (address, initial folder, path), or, for a
// client that reads UTF-8, a value with bytes that the ANSI code page maps
// to no character.
const char* ControlScriptFault(const MachineRecord& machine, const char* local_path, ScriptEncoding encoding);
