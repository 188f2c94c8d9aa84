#pragma once

// How long the FTP programs (ftp.exe, filelist.exe, FTPClient.exe) and
// Vantrel.exe's delivery check wait.
// The defaults suit a data server on the shop's network; two environment
// variables change them for every program started with that environment,
// also when Vantrel.exe starts them with its fixed command lines:
//   VANTREL_FTP_CONNECT_TIMEOUT  seconds for a name lookup or a TCP connection
//   VANTREL_FTP_TIMEOUT          seconds for each reply of the server and
//                                for a data connection without progress
// Each takes a whole number of seconds from 1 to 3600; a variable that is
// unset, empty or holds anything else leaves its default.
struct FtpTimeouts {
    unsigned long connect_ms = 10000;    // name lookup, TCP connect, control and data
    unsigned long reply_ms = 30000;      // each reply of the server
    unsigned long data_idle_ms = 30000;  // a data connection without progress
};

// The defaults with the two values applied; nullptr stands for an unset variable.
FtpTimeouts TimeoutsFromSettings(const char* connect_seconds, const char* seconds);

// TimeoutsFromSettings with the two environment variables.
FtpTimeouts TimeoutsFromEnvironment();
