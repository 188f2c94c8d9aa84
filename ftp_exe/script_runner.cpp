#include "ftp_exe/script_runner.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "ftp_exe/output.h"
#include "platform/stopwatch.h"
#include "text/code_page.h"
#include "text/sjis.h"

namespace {

// The last component of a path, whole characters only: a Shift-JIS trail
// byte equal to '\\' is not a separator.
std::string LastComponent(const std::string& path)
{
    PathParts parts = SplitPath(path.c_str(), MAX_PATH);
    return parts.base_name + parts.extension;
}

// What the Windows client prints after "> ftp: connect :" for the failures
// reported of it; any other error it names "Unknown error number".
const char* ConnectErrorText(int error)
{
    switch (error) {
    case WSAECONNREFUSED:
        return "Connection refused";
    case WSAETIMEDOUT:
        return "Connection timed out";
    default:
        return "Unknown error number";
    }
}

// The Windows client's words for a control connection the server ended.
constexpr const char* kClosedByServer = "Connection closed by remote host.";

}  // namespace

ScriptRunner::ScriptRunner(std::FILE* commands, const FtpExeArguments& arguments, ScriptEncoding encoding,
                           bool offer_utf8)
    : commands_(commands), arguments_(arguments), encoding_(encoding), show_replies_(arguments.show_replies)
{
    session_.set_offer_utf8(offer_utf8);
    if (!arguments_.strict) {
        // The Windows client: active mode only, and it waits as long as it takes.
        session_.set_passive(false);
        session_.set_timeouts(NoTimeLimits());
    } else {
        // A wait setting that is refused is said on standard error, which the
        // script's output does not hide, before anything else.
        std::string refused;
        session_.set_timeouts(TimeoutsFromEnvironment(&refused));
        for (std::size_t start = 0, end = 0; start < refused.size(); start = end + 1) {
            end = std::min(refused.find('\n', start), refused.size());
            std::fprintf(stderr, "ftp: %s\n", refused.substr(start, end - start).c_str());
        }
    }
    session_.set_reply_sink([this](const std::string& line) {
        if (announce_connection_) {
            PrintLine("Connected to " + host_ + ".");
            announce_connection_ = false;
        }
        if (show_replies_) ShowReply(line);
    });
}

void ScriptRunner::ShowReply(const std::string& line)
{
    // After OPTS UTF8 ON was taken the server names files in UTF-8; the
    // console and whoever reads our output work in the ANSI code page.
    std::string shown;
    if (session_.utf8_names() && Utf8ToAnsi(line, shown)) {
        PrintLine(shown);
    } else {
        PrintLine(line);
    }
}

bool ScriptRunner::ReadLine(std::string& line)
{
    // Someone typing answers must see the question first.
    if (commands_ == stdin) FlushOutput();
    last_line_unreadable_ = false;
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(commands_)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!any || encoding_ == ScriptEncoding::kAnsi) return any;

    // A byte order mark before the first line is no part of a command.
    if (++lines_read_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    std::string ansi;
    bool converted = Utf8ToAnsi(line, ansi);
    std::fill(line.begin(), line.end(), '\0');  // it may be the password
    line.swap(ansi);
    if (converted) return true;
    PrintLine("ftp: スクリプトの " + std::to_string(lines_read_) +
              " 行目は UTF-8 でないか、Shift-JIS で書けない文字を含みます。");
    unreadable_line_ = true;
    last_line_unreadable_ = true;
    return false;
}

bool ScriptRunner::Argument(const std::vector<std::string>& words, std::size_t index, const char* prompt,
                            std::string& value)
{
    if (index < words.size()) {
        value = words[index];
        return true;
    }
    PrintLine(prompt);
    std::string line;
    if (!ReadLine(line)) return false;
    std::vector<std::string> answer = SplitWords(line);
    if (answer.empty()) return false;
    value = answer[0];
    return true;
}

int ScriptRunner::Run()
{
    bool ok = true;
    if (!arguments_.host.empty()) ok = Open({"open", arguments_.host});
    std::string line;
    while (ok || !arguments_.strict) {
        if (!ReadLine(line)) {
            // The Windows client goes on after a line it cannot read.
            if (last_line_unreadable_ && !arguments_.strict) continue;
            break;
        }
        std::vector<std::string> words = SplitWords(line);
        if (words.empty()) continue;
        if (std::exchange(password_line_may_follow_, false) && LookUpScriptCommand(words[0]) == ScriptCommand::kUnknown) {
            // The password nobody asked for: never shown, never sent. A
            // command there is run as one, so a script without a password
            // line loses nothing.
            SecureZeroMemory(line.data(), line.size());
            for (std::string& word : words) SecureZeroMemory(word.data(), word.size());
            continue;
        }
        PrintLine("ftp> " + line);
        // The command now running is on the screen while it waits for the
        // server; its replies follow with the next command's line.
        FlushOutput();
        bool quit = false;
        if (!Execute(words, quit)) ok = false;
        if (quit) break;
    }
    if (session_.IsOpen()) session_.Quit();
    FlushOutput();
    if (!arguments_.strict) return 0;
    if (unreadable_line_) ok = false;
    if (!ok) PrintLine("ftp: コマンドが失敗したため、残りのコマンドは実行しません。");
    FlushOutput();
    return ok ? 0 : 1;
}

bool ScriptRunner::Connected()
{
    if (session_.IsOpen()) return true;
    PrintLine("Not connected.");
    return false;
}

bool ScriptRunner::SessionFailed()
{
    // The server's own refusal has been echoed already.
    if (session_.error() == FtpError::kConnectionLost && !arguments_.strict) {
        PrintLine(kClosedByServer);
    } else if (session_.error() != FtpError::kRefused || !show_replies_) {
        PrintLine("ftp: " + session_.ErrorText());
    }
    return false;
}

void ScriptRunner::OpenFailed(const std::string& host)
{
    FtpError error = session_.error();
    if (error == FtpError::kUnknownHost) {
        PrintLine("Unknown host " + host + ".");
    } else if (arguments_.strict) {
        PrintLine("> ftp: connect :" + session_.ErrorText());
    } else if (error == FtpError::kConnectFailed) {
        PrintLine(std::string("> ftp: connect :") + ConnectErrorText(session_.system_error()));
    } else {
        // A server that hangs up on OPTS UTF8 ON ends here too: the
        // connection is gone, and the next lines find none.
        SessionFailed();
    }
}

void ScriptRunner::ReportTransfer(const char* verb, std::uint64_t bytes, double seconds)
{
    if (seconds < 0.001) seconds = 0.001;
    char text[160];
    std::snprintf(text, sizeof text, "ftp: %llu bytes %s in %.2fSeconds %.2fKbytes/sec.",
                  static_cast<unsigned long long>(bytes), verb, seconds, static_cast<double>(bytes) / 1000.0 / seconds);
    PrintLine(text);
}

bool ScriptRunner::Execute(const std::vector<std::string>& words, bool& quit)
{
    std::string value;
    switch (LookUpScriptCommand(words[0])) {
    case ScriptCommand::kOpen:
        return Open(words);
    case ScriptCommand::kUser:
        if (!Connected() || !Argument(words, 1, "Username ", value)) return false;
        return LogIn(value, words.size() > 2 ? &words[2] : nullptr);
    case ScriptCommand::kBinary:
    case ScriptCommand::kAscii:
        if (!Connected()) return false;
        return session_.SetBinary(LookUpScriptCommand(words[0]) == ScriptCommand::kBinary) || SessionFailed();
    case ScriptCommand::kChangeDirectory:
        if (!Connected() || !Argument(words, 1, "Remote directory ", value)) return false;
        return session_.ChangeDirectory(value) || SessionFailed();
    case ScriptCommand::kLocalChangeDirectory: {
        if (words.size() > 1 && !SetCurrentDirectoryA(words[1].c_str())) {
            PrintLine(words[1] + ": ローカルフォルダーを変更できません。");
            return false;
        }
        char folder[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(sizeof folder, folder);
        PrintLine(std::string("Local directory now ") + folder + ".");
        return true;
    }
    case ScriptCommand::kPrintDirectory:
        if (!Connected()) return false;
        return session_.PrintDirectory(value) || SessionFailed();
    case ScriptCommand::kPut:
        return Put(words);
    case ScriptCommand::kGet:
        return Get(words);
    case ScriptCommand::kNameList:
        return List(words, false);
    case ScriptCommand::kLongList:
        return List(words, true);
    case ScriptCommand::kDelete:
        if (!Connected() || !Argument(words, 1, "Remote file ", value)) return false;
        return session_.Delete(value) || SessionFailed();
    case ScriptCommand::kMakeDirectory:
        if (!Connected() || !Argument(words, 1, "Directory name ", value)) return false;
        return session_.MakeDirectory(value) || SessionFailed();
    case ScriptCommand::kClose:
        if (!Connected()) return false;
        session_.Quit();
        return true;
    case ScriptCommand::kQuit:
        quit = true;
        return true;
    case ScriptCommand::kPrompt:
        // Prompting is for multiple-file commands, which this client does not have.
        PrintLine("Interactive mode Off .");
        return true;
    case ScriptCommand::kVerbose:
        show_replies_ = !show_replies_;
        PrintLine(show_replies_ ? "Verbose mode On ." : "Verbose mode Off .");
        return true;
    case ScriptCommand::kAmbiguous:
        PrintLine("Ambiguous command.");
        return false;
    case ScriptCommand::kUnknown:
        break;
    }
    PrintLine("Invalid command.");
    return false;
}

bool ScriptRunner::Open(const std::vector<std::string>& words)
{
    if (session_.IsOpen()) {
        PrintLine("Already connected to " + host_ + ", use disconnect first.");
        return false;
    }
    std::string host;
    if (!Argument(words, 1, "To ", host)) return false;
    std::string target = words.size() > 2 ? host + ":" + words[2] : host;
    host_ = host;
    announce_connection_ = true;
    bool opened = session_.Open(target);
    announce_connection_ = false;
    if (!opened) {
        OpenFailed(host);
        return false;
    }
    if (!arguments_.auto_login) return true;
    PrintLine("User (" + host + ":(none)): ");
    std::string user;
    if (!ReadLine(user)) {
        PrintLine("Login failed.");
        return false;
    }
    return LogIn(user, nullptr);
}

bool ScriptRunner::LogIn(const std::string& user, const std::string* password)
{
    int code = session_.Command("USER " + user);
    if (code == 0) return SessionFailed();
    if (code == 331 || code == 332) {
        if (password != nullptr) {
            code = session_.SendPassword(*password);
        } else {
            PrintLine("Password:");
            std::string answer;
            if (!ReadLine(answer)) answer.clear();
            code = session_.SendPassword(answer);
            SecureZeroMemory(answer.data(), answer.size());
        }
        if (code == 0) return SessionFailed();
    } else if (code / 100 == 2 && password == nullptr) {
        // Logged in by the name alone: a script written for the usual
        // question has its password on the next line.
        password_line_may_follow_ = true;
    }
    if (code / 100 != 2) {
        PrintLine("Login failed.");
        return false;
    }
    return true;
}

bool ScriptRunner::Put(const std::vector<std::string>& words)
{
    std::string local;
    std::string remote;
    if (!Connected() || !Argument(words, 1, "Local file ", local)) return false;
    if (words.size() > 2) {
        remote = words[2];
    } else if (words.size() > 1) {
        remote = LastComponent(local);
    } else if (!Argument(words, 2, "Remote file ", remote)) {
        return false;
    }
    DWORD attributes = GetFileAttributesA(local.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        PrintLine(local + ": File not found");
        return false;
    }
    LONGLONG started = Ticks();
    std::uint64_t bytes = 0;
    if (!session_.Store(local, remote, nullptr, bytes)) return SessionFailed();
    ReportTransfer("sent", bytes, SecondsSince(started));
    return true;
}

bool ScriptRunner::Get(const std::vector<std::string>& words)
{
    std::string remote;
    std::string local;
    if (!Connected() || !Argument(words, 1, "Remote file ", remote)) return false;
    local = words.size() > 2 ? words[2] : LastComponent(remote);
    LONGLONG started = Ticks();
    std::uint64_t bytes = 0;
    if (!session_.Retrieve(remote, local, nullptr, bytes)) return SessionFailed();
    ReportTransfer("received", bytes, SecondsSince(started));
    return true;
}

bool ScriptRunner::List(const std::vector<std::string>& words, bool long_form)
{
    if (!Connected()) return false;
    std::string folder = words.size() > 1 ? words[1] : std::string();
    bool to_file = words.size() > 2;
    // On the console the listing shows as it arrives, before the closing reply.
    FtpSession::DataSink show = nullptr;
    if (!to_file) {
        show = [](const char* data, std::size_t size) {
            std::fwrite(data, 1, size, stdout);
            std::fflush(stdout);
        };
    }
    LONGLONG started = Ticks();
    std::string listing;
    bool listed = long_form ? session_.LongList(folder, listing, show) : session_.NameList(folder, listing, show);
    if (!listed) return SessionFailed();
    if (to_file) {
        std::FILE* out = std::fopen(words[2].c_str(), "wb");
        bool written = out != nullptr && std::fwrite(listing.data(), 1, listing.size(), out) == listing.size();
        if (out != nullptr && std::fclose(out) != 0) written = false;
        if (!written) {
            PrintLine(words[2] + ": ローカルファイルに書き込めません。");
            return false;
        }
    }
    ReportTransfer("received", listing.size(), SecondsSince(started));
    return true;
}
