#pragma once

#include <string>
#include <string_view>
#include <vector>

// Command lines of our FTP programs and the lines of an FTP control script,
// read the way the Windows command-line FTP client reads them. Only ASCII
// blanks, tabs and double quotes are looked at: none of them can be the
// second byte of a Shift-JIS character, so names pass through untouched.

// The text after the program name (quoted or not) and the blanks after it.
std::string_view SkipProgramName(std::string_view command_line);

// Words separated by blanks or tabs; a double quote starts or ends a part in
// which blanks belong to the word, and the quotes themselves are dropped, so
// `put "C:\my dir\a.nc" a` gives put, C:\my dir\a.nc and a. `""` is an empty
// word; an unclosed quote runs to the end of the line.
std::vector<std::string> SplitWords(std::string_view line);

// Arguments separated by single blanks, as a caller that formats
// "%s %s %s" writes them: two blanks in a row enclose an empty argument.
// A quoted argument may hold blanks. Trailing CR or LF is ignored.
std::vector<std::string> SplitSingleBlankArguments(std::string_view text);

// The commands of a control script.
enum class ScriptCommand {
    kUnknown,
    kAmbiguous,
    kOpen,
    kUser,
    kBinary,
    kAscii,
    kChangeDirectory,
    kLocalChangeDirectory,
    kPrintDirectory,
    kPut,
    kGet,
    kNameList,
    kLongList,
    kDelete,
    kMakeDirectory,
    kClose,
    kQuit,
    kPrompt,
    kVerbose,
};

// The command named by a word: full names and their usual aliases (send,
// recv, bye, disconnect) in any letter case, or, like the Windows client, any
// prefix that names exactly one of them ("bin" for binary).
ScriptCommand LookUpScriptCommand(std::string_view word);

// Our ftp.exe's own command line: [-v] [-n] [-i] [-d] [-g] [--strict] [-s:file] [host].
struct FtpExeArguments {
    std::string script_path;  // empty: commands come from standard input
    std::string host;         // empty: no connection before the first "open"
    bool auto_login = true;   // -n turns off the user and password prompts after open
    bool show_replies = true; // -v hides the server's replies
    // --strict: stop at the first failed command with exit status 1, passive
    // first, the waits of timeouts.h; else as the Windows client behaves. The
    // Windows client's options are single-dash, so this word cannot be one.
    bool strict = false;
};

// False with `error` naming the offending word for an unknown option or a
// second host.
bool ParseFtpExeArguments(std::string_view arguments, FtpExeArguments& out, std::string& error);
