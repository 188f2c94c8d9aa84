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
// of the script answer. By default it also fails as that client does: a
// failed command does not stop the script (after a refused login the rest
// gets the server's 530s, after a failed "cd" a "put" goes to the login
// folder, after a failed "open" the user and password lines are read as
// commands), the exit status is 0, data connections are active (PORT) only
// and no wait has a time limit. With --strict the first command that fails
// ends the script (after a QUIT), so that a failed "cd" cannot send a file
// into the wrong folder and a failed "open" cannot turn the password line
// into a command; the exit status then says that something failed, and data
// connections and waits are those of FtpSession's defaults (passive first,
// timeouts.h).
// A script in UTF-8 (as the client of Windows 8 and later reads it) is
// turned into the ANSI code page line by line, in which names go to the
// server unless it took OPTS UTF8 ON; a line that does not convert is a
// failed command.
class ScriptRunner {
public:
    // offer_utf8: OPTS UTF8 ON after each greeting, as the client of Windows 8 and later sends it.
    ScriptRunner(std::FILE* commands, const FtpExeArguments& arguments, ScriptEncoding encoding, bool offer_utf8);

    // Strict: 0 when every command succeeded, 1 otherwise. Else always 0.
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
    void OpenFailed(const std::string& host);
    void ShowReply(const std::string& line);
    void ReportTransfer(const char* verb, std::uint64_t bytes, double seconds);

    std::FILE* commands_;
    FtpExeArguments arguments_;
    ScriptEncoding encoding_;
    int lines_read_ = 0;
    bool unreadable_line_ = false;
    bool last_line_unreadable_ = false;  // the last ReadLine gave false for that, not for the end
    FtpSession session_;
    std::string host_;
    bool show_replies_ = true;
    bool announce_connection_ = false;
    bool password_line_may_follow_ = false;  // USER was answered 230 with no password asked
};
