#include "transfer/client_transcript.h"

#include "text/ascii.h"
#include "text/sjis.h"

namespace {

// Where in the conversation a reply falls, which decides what its failure means.
enum class Phase {
    kOpening,        // before the greeting
    kBeforeUser,     // after the greeting, before the user prompt: the reply to OPTS UTF8 ON
    kLogin,          // after the user prompt, until the first command
    kCommand,        // after "ftp> " and a command other than the below
    kFolder,         // after "ftp> cd"
    kDataCommand,    // after "ftp> put" and the like: the first reply is the PORT reply's
    kData,           // after that reply: the data command's own replies
};

std::string Masked(std::string_view output, std::string_view password)
{
    std::string masked;
    masked.reserve(output.size());
    for (std::size_t pos = 0; pos < output.size();) {
        if (!password.empty() && output.substr(pos, password.size()) == password) {
            masked += kPasswordMask;
            pos += password.size();
            continue;
        }
        std::size_t bytes = CharBytes(output, pos);
        masked.append(output.substr(pos, bytes));
        pos += bytes;
    }
    return masked;
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

std::string_view TrimmedFront(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

// The line without the prompts the client prints before reading an answer
// from the script: the Windows client ends them without a line break, so
// the next reply follows on the same line.
std::string_view WithoutPrompts(std::string_view line, bool& user_prompt)
{
    for (;;) {
        line = TrimmedFront(line);
        if (StartsWith(line, "User (")) {
            user_prompt = true;
            std::size_t end = line.find("):");
            line = end == std::string_view::npos ? std::string_view() : line.substr(end + 2);
        } else if (StartsWith(line, "Password:")) {
            line.remove_prefix(9);
        } else {
            return line;
        }
    }
}

// The code of a reply's last line ("530 Login incorrect.", "226"), else 0.
// The first line of a multi-line reply ("230-Welcome") is not its end.
int FinalReplyCode(std::string_view line)
{
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return 0;
    if (line.size() > 3 && line[3] != ' ') return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// The command word of "ftp> put a b", folded to lower case.
std::string CommandWord(std::string_view echo)
{
    echo = TrimmedFront(echo);
    std::string word;
    for (char c : echo) {
        if (IsBlank(c)) break;
        word += FoldAsciiCase(c);
    }
    return word;
}

Phase PhaseAfter(const std::string& command)
{
    // The commands for which the Windows client opens a data connection
    // (it has only PORT), and their unique prefixes as the script may use them.
    static const char* const kDataCommands[] = {"put", "send", "get", "recv", "ls", "dir", "mput", "mget",
                                                "append"};
    if (command == "open") return Phase::kOpening;
    if (command == "cd") return Phase::kFolder;
    for (const char* data : kDataCommands) {
        if (command == data) return Phase::kDataCommand;
    }
    return Phase::kCommand;
}

ClientFault FaultOfReply(int code, Phase phase)
{
    if (code == 425 || code == 426) return ClientFault::kDataConnection;
    if (code < 400 || code >= 600) return ClientFault::kNone;
    switch (phase) {
    case Phase::kOpening:
        return ClientFault::kGreeting;
    case Phase::kBeforeUser:
        return ClientFault::kNone;  // the reply to OPTS UTF8 ON
    case Phase::kLogin:
        return ClientFault::kLogin;
    case Phase::kFolder:
        return ClientFault::kFolder;
    case Phase::kDataCommand:
        return ClientFault::kDataConnection;  // PORT refused
    case Phase::kData:
        return ClientFault::kStore;
    case Phase::kCommand:
        break;
    }
    return ClientFault::kRefused;
}

// "ftp: 5000 bytes sent in 0.01Seconds 5.00Kbytes/sec.": the report of a
// transfer, the one "ftp: " line that tells of no error.
bool IsTransferReport(std::string_view line)
{
    std::size_t digits = 0;
    while (digits < line.size() && IsDigit(line[digits])) ++digits;
    return digits > 0 && StartsWith(line.substr(digits), " bytes ");
}

ClientFault FaultOfMessage(std::string_view line, Phase phase)
{
    // The client's own error ("ftp: send :...", our client's "ftp: データ
    // 転送中に接続が切れました。"): during a data command, its data connection.
    if (StartsWith(line, "ftp: ") && !IsTransferReport(line.substr(5))) {
        bool data = phase == Phase::kDataCommand || phase == Phase::kData;
        return data ? ClientFault::kDataConnection : ClientFault::kClientError;
    }
    static const struct {
        const char* start;
        ClientFault fault;
    } kMessages[] = {
        {"Not connected.", ClientFault::kNotConnected},
        {"Invalid command.", ClientFault::kInvalidCommand},
        {"> ftp: connect :", ClientFault::kConnect},
        {"Unknown host ", ClientFault::kUnknownHost},
        {"Login failed.", ClientFault::kLogin},
        {"Error opening local file", ClientFault::kLocalFile},
        {"Connection closed by remote host.", ClientFault::kClosed},
    };
    for (const auto& message : kMessages) {
        if (StartsWith(line, message.start)) return message.fault;
    }
    static constexpr std::string_view kNotFound = ": File not found";
    if (line.size() >= kNotFound.size() && line.substr(line.size() - kNotFound.size()) == kNotFound) {
        return ClientFault::kLocalFile;
    }
    return ClientFault::kNone;
}

}  // namespace

ClientTranscript ReadClientTranscript(std::string_view output, std::string_view password)
{
    ClientTranscript transcript;
    std::string text = Masked(output, password);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        transcript.lines.push_back(line);
        start = end + 1;
    }

    Phase phase = Phase::kOpening;
    for (const std::string& line : transcript.lines) {
        bool user_prompt = false;
        std::string_view rest = WithoutPrompts(line, user_prompt);
        if (user_prompt) phase = Phase::kLogin;
        ClientFault fault = ClientFault::kNone;
        if (StartsWith(rest, "ftp>")) {
            phase = PhaseAfter(CommandWord(rest.substr(4)));
        } else if (StartsWith(rest, "Connected to ")) {
            phase = Phase::kOpening;
        } else if (int code = FinalReplyCode(rest); code != 0) {
            fault = FaultOfReply(code, phase);
            // The greeting's end (not a 1xx "ready in a while"), or the PORT reply.
            if (phase == Phase::kOpening && code >= 200) phase = Phase::kBeforeUser;
            if (phase == Phase::kDataCommand) phase = Phase::kData;
        } else {
            fault = FaultOfMessage(rest, phase);
        }
        if (fault != ClientFault::kNone && transcript.fault == ClientFault::kNone) {
            transcript.fault = fault;
            transcript.failure_line = rest;
        }
    }
    return transcript;
}

const char* ClientFaultMeaning(ClientFault fault)
{
    switch (fault) {
    case ClientFault::kNone:
        return "";
    case ClientFault::kGreeting:
        return "サーバーが接続を受け付けませんでした";
    case ClientFault::kLogin:
        return "ログインできませんでした（ユーザー名かパスワードが違うか、サーバーが受け付けません）";
    case ClientFault::kFolder:
        return "初期フォルダに移動できませんでした（サーバーにないか、使えないフォルダです）";
    case ClientFault::kStore:
        return "サーバーがファイルを受け取りませんでした";
    case ClientFault::kDataConnection:
        return "アクティブモード（PORT）のデータ接続ができませんでした。Windows Defender ファイアウォールかセキュリティソフトが "
               "ftp.exe の通信を止めていることがよくある原因です";
    case ClientFault::kRefused:
        return "サーバーがコマンドを拒否しました";
    case ClientFault::kNotConnected:
        return "サーバーにつながっていないため、コマンドを実行できませんでした";
    case ClientFault::kInvalidCommand:
        return "ftp.exe がコントロールファイルの行をコマンドとして読めませんでした";
    case ClientFault::kConnect:
        return "サーバーに接続できませんでした（サーバーが止まっているか、アドレスかポートが違います）";
    case ClientFault::kUnknownHost:
        return "サーバーの名前からアドレスがわかりませんでした（マシンのIPアドレスを確かめてください）";
    case ClientFault::kClosed:
        return "サーバーが接続を切りました";
    case ClientFault::kLocalFile:
        return "ftp.exe が送るファイルを開けませんでした";
    case ClientFault::kClientError:
        return "ftp.exe がエラーを報告しました";
    }
    return "";
}
