#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "ftp/command_line.h"
#include "ftp/session.h"
#include "text/script_encoding.h"

// Runs FTP commands line by line as the Windows command-line client does with
// "-s:": each command is echoed after "ftp> ", the server's replies follow,
// "open" is followed by the user and password prompts, which the next lines
// of the script answer. Unlike that client, the first command that fails
// ends the script (after a QUIT), so that a failed "cd" cannot send a file
// into the wrong folder and a failed "open" cannot turn the password line
// into a command; the exit status then says that something failed.
// A script in UTF-8 (as the client of Windows 8 and later reads it) is
// turned into the ANSI code page line by line, in which names go to the
// server; a line that does not convert is a failed command.
class ScriptRunner {
public:
    ScriptRunner(std::FILE* commands, const FtpExeArguments& arguments, ScriptEncoding encoding);

    // 0 when every command succeeded, 1 otherwise.
    int Run();

private:
    bool ReadLine(std::string& line);
    // Word `index` of the command, or the answer to `prompt` from the next line.
    bool Argument(const std::vector<std::string>& words, std::size_t index, const char* prompt, std::string& value);
    bool Execute(const std::vector<std::string>& words, bool& quit);
    bool Open(const std::vector<std::string>& words);
    bool LogIn(const std::string& user, const std::string* password);
    bool Put(const std::vector<std::string>& words);
    bool Get(const std::vector<std::string>& words);
    bool List(const std::vector<std::string>& words, bool long_form);
    bool Connected();
    bool SessionFailed();
    void ReportTransfer(const char* verb, std::uint64_t bytes, double seconds);

    std::FILE* commands_;
    FtpExeArguments arguments_;
    ScriptEncoding encoding_;
    int lines_read_ = 0;
    bool unreadable_line_ = false;
    FtpSession session_;
    std::string host_;
    bool show_replies_ = true;
    bool announce_connection_ = false;
};
