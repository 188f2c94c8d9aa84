#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the command-line FTP client's output says about its run. The Windows
// client ends with 0 whatever happened: a refused login, a missing folder or
// a refused upload shows only in what it prints. It prints each reply of the
// server as it arrives ("530 Login incorrect."), its own findings ("Not
// connected.", "Invalid command.", "> ftp: connect :...", "Unknown host X.",
// "Login failed.", "ftp: " and an error), its prompts ("User
// (HOST:(none)): ", "Password:"), after which the next reply may follow on
// the same line, and "ftp> " with each command it reads from the script.

enum class ClientFault {
    kNone,
    kGreeting,         // the server refused the connection in its greeting
    kLogin,            // a refused user name or password, "Login failed."
    kFolder,           // a refused cd
    kStore,            // a refused or failed upload
    kDataConnection,   // 425/426, or the PORT before a data command refused
    kRefused,          // any other 4xx/5xx reply
    kNotConnected,     // "Not connected."
    kInvalidCommand,   // "Invalid command."
    kConnect,          // "> ftp: connect :..."
    kUnknownHost,      // "Unknown host X."
    kClosed,           // "Connection closed by remote host."
    kLocalFile,        // "X: File not found", "Error opening local file X."
    kClientError,      // "ftp: ..." other than a transfer's report
};

struct ClientTranscript {
    std::vector<std::string> lines;  // the output line by line, the password masked
    std::string failure_line;        // the first line that tells of a failure, masked; empty when none
    ClientFault fault = ClientFault::kNone;
};

// Reads the output. Every occurrence of `password` (on whole characters; an
// empty one masks nothing) becomes kPasswordMask in the lines, also where a
// client that failed to connect read the password line as a command. The
// reply to OPTS UTF8 ON, which the client sends between the greeting and
// the user prompt, is no failure: servers without it answer 500 or 501 and
// carry on.
ClientTranscript ReadClientTranscript(std::string_view output, std::string_view password);

inline constexpr const char* kPasswordMask = "********";

// What a fault means for the transfer, in Japanese, for the box.
const char* ClientFaultMeaning(ClientFault fault);
