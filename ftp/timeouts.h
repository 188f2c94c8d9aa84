#pragma once

#include <cstdint>
#include <string>

// How long the FTP programs (ftp.exe, filelist.exe, FTPClient.exe) and
// Vantrel.exe's delivery check wait.
// The defaults suit a data server on the shop's network; two environment
// variables change them for every program started with that environment,
// also when Vantrel.exe starts them with its fixed command lines:
//   VANTREL_FTP_CONNECT_TIMEOUT  seconds for a name lookup or a TCP connection
//   VANTREL_FTP_TIMEOUT          seconds for each reply of the server and
//                                for a data connection without progress
// Each takes a whole number of seconds from 1 to 3600, blanks around it
// allowed (cmd's "set VANTREL_FTP_TIMEOUT=120 " keeps the blank). A variable
// that is unset or empty leaves its default; one that holds anything else
// leaves it too, and the program says so.
// A wait that never ends by itself (Windows' INFINITE): the system's client
// has no time limit on replies or data, and our ftp.exe, standing in for it,
// has none either. A TCP connection still ends at the system's own limit.
inline constexpr unsigned long kNoTimeLimit = 0xFFFFFFFFul;

// Waits that only tidy up are short: the server's word on a broken transfer
// (after ABOR), and its goodbye to QUIT.
inline constexpr unsigned long kTidyUpMs = 5000;

struct FtpTimeouts {
    unsigned long connect_ms = 10000;    // name lookup, TCP connect, control and data
    unsigned long reply_ms = 30000;      // each reply of the server
    unsigned long data_idle_ms = 30000;  // a data connection without progress
};

// A listing that trickles (a byte now and then, each one restarting the idle
// wait) must still end: the whole listing may take the reply wait, plus one
// more reply wait for every kListingStepBytes that have arrived. With the
// default 30 s that is a rate of at least 32 KiB per 30 s (about 1.1 KB/s)
// after the first 30 s.
inline constexpr std::uint64_t kListingStepBytes = 32 * 1024;

// Milliseconds a listing may have lasted once `received` bytes have come.
std::uint64_t ListingAllowanceMs(const FtpTimeouts& timeouts, std::uint64_t received);

// The defaults with the two values applied; nullptr stands for an unset
// variable. When a value is refused and `refused` is given, it receives one
// line per refused value, in Japanese, naming the variable, the value and
// the wait that stays in force.
FtpTimeouts TimeoutsFromSettings(const char* connect_seconds, const char* seconds, std::string* refused = nullptr);

// TimeoutsFromSettings with the two environment variables.
FtpTimeouts TimeoutsFromEnvironment(std::string* refused = nullptr);

// Every wait kNoTimeLimit; the environment variables are not read.
FtpTimeouts NoTimeLimits();
