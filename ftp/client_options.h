#pragma once

#include <string>
#include <string_view>

// The command line of FTPClient.exe:
//   --host H --user U --password P --encoding E [--remote-dir D] --local-dir L
// E is sjis, utf8 or auto.
// The caller inserts the values unquoted, so a value runs up to the next
// " --" that starts a known option, and --local-dir takes the rest of the
// line: "C:\Program Files\Vantrel\" arrives whole. An empty value shows as
// two blanks in a row. A value wholly inside double quotes loses them.

// How names travel on the wire. The program's own texts are Shift-JIS.
// "auto" offers OPTS UTF8 ON after the greeting, as the Windows client of
// Windows 8 and later does, and is kUtf8 when the server takes it (2xx),
// kShiftJis otherwise.
enum class WireEncoding {
    kShiftJis,  // "sjis", "shift_jis", "cp932": bytes sent unchanged
    kUtf8,      // "utf8", "utf-8": converted from and to Shift-JIS
};

struct ClientOptions {
    std::string host;  // may carry ":port"
    std::string user;
    std::string password;
    WireEncoding encoding = WireEncoding::kShiftJis;
    bool offer_utf8 = false;  // "auto": the encoding follows the server's reply to OPTS UTF8 ON
    bool has_remote_dir = false;
    std::string remote_dir;
    std::string local_dir;
};

enum class OptionProblem {
    kNone,
    kStrayText,      // text that is not an option where one should start
    kUnknownOption,  // "--name" that this program does not know
    kRepeatedOption,
    kMissingOption,  // a required option is absent
    kEmptyValue,     // host, user and local folder cannot be empty
    kBadEncoding,
};

struct OptionError {
    OptionProblem problem = OptionProblem::kNone;
    std::string subject;  // the option's name or the offending text
};

// `arguments` is the command line without the program name.
bool ParseClientOptions(std::string_view arguments, ClientOptions& out, OptionError& error);
