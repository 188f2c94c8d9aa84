// The FTP session speaks the protocol itself over Winsock rather than through
// WinINet. WinINet was measured first, under Wine 8.0 against pyftpdlib on
// loopback, and fell short on four counts that matter here:
// - a data connection that stalls mid-transfer (server sends 64 KiB of a
//   RETR, or reads 64 KiB of a STOR, then nothing) hung FtpGetFileA and
//   FtpPutFileA for more than 150 s although every INTERNET_OPTION_*_TIMEOUT
//   was set to 3 s: the waiting main window could hang without bound;
// - a server that accepts the connection but never greets held
//   InternetConnectA for 60 s, ignoring the 3 s timeouts;
// - Shift-JIS names were not kept: FtpPutFileA with テスト as remote name
//   sent 3F 65 3F 58 3F 67 ("?e?X?g") on the wire;
// - only the last reply is available (no greeting, no multi-line replies),
//   and a refused PASV fails the transfer (12003) with no active fallback.
// Details are in docs/wine-notes.md, section FTP.
#include "ftp/session.h"

#include <algorithm>

#include "text/code_page.h"

namespace {

constexpr int kServiceClosing = 421;  // "Service not available, closing control connection"

}  // namespace

FtpSession::FtpSession() = default;

FtpSession::~FtpSession() { Close(); }

bool FtpSession::Fail(FtpError error, int system_error)
{
    error_ = error;
    system_error_ = system_error;
    return false;
}

bool FtpSession::FailIo(IoResult result, bool data, int system_error)
{
    switch (result) {
    case IoResult::kTimedOut:
        if (!data) reply_wait_ms_ = timeouts_.reply_ms;
        return Fail(data ? FtpError::kDataTimedOut : FtpError::kReplyTimedOut);
    case IoResult::kClosed:
        return Fail(data ? FtpError::kDataLost : FtpError::kConnectionLost);
    case IoResult::kCancelled:
        return Fail(FtpError::kCancelled);
    default:
        return Fail(data ? FtpError::kDataLost : FtpError::kConnectionLost, system_error);
    }
}

bool FtpSession::Open(const std::string& host)
{
    Close();
    error_ = FtpError::kNone;
    utf8_names_ = false;
    utf8_reply_.clear();
    replies_since_utf8_offer_ = -1;
    std::uint16_t port = 21;
    if (!SplitHostPort(host, host_, port)) {
        host_ = host;
        return Fail(FtpError::kUnknownHost);
    }
    sockaddr_in address{};
    int resolve_error = 0;
    if (!winsock_.ok()) return Fail(FtpError::kNoWinsock, winsock_.error());
    IoResult resolved = ResolveHost(host_, port, address, resolve_error, timeouts_.connect_ms, cancel_);
    if (resolved == IoResult::kTimedOut) return Fail(FtpError::kResolveTimedOut);
    if (resolved == IoResult::kCancelled) return Fail(FtpError::kCancelled);
    if (resolved != IoResult::kOk) return Fail(FtpError::kUnknownHost, resolve_error);
    IoResult connected = control_.Connect(address, timeouts_.connect_ms, cancel_);
    if (connected == IoResult::kTimedOut) return Fail(FtpError::kConnectTimedOut);
    if (connected != IoResult::kOk) {
        return connected == IoResult::kCancelled ? Fail(FtpError::kCancelled)
                                                 : Fail(FtpError::kConnectFailed, control_.error());
    }
    // 120: ready in a while; the real greeting follows. The whole run of
    // such replies gets one reply time, not one each: a server repeating
    // 120 would otherwise hold the client for ever.
    Deadline greeting(timeouts_.reply_ms);
    int code = ReadReply(greeting.Remaining());
    while (IsPositivePreliminary(code)) {
        DWORD left = greeting.Remaining();
        if (left == 0) {
            Close();
            reply_wait_ms_ = timeouts_.reply_ms;
            return Fail(FtpError::kReplyTimedOut);
        }
        code = ReadReply(left);
    }
    // A 421 greeting turns the client away (too many users, a shutdown):
    // there is no session to lose yet, and its words are the only reason
    // the user gets, so it stays the server's refusal.
    if (code == 0) return last_code_ == kServiceClosing ? Fail(FtpError::kRefused) : false;
    if (!IsPositiveCompletion(code)) {
        Close();
        return Fail(FtpError::kRefused);
    }
    return !offer_utf8_ || OfferUtf8();
}

bool FtpSession::OfferUtf8()
{
    // Right after the greeting, before USER, as the Windows client sends it.
    // Servers that take no command before the login answer 530 here; some
    // then hang up (lost_after_utf8_offer).
    replies_since_utf8_offer_ = 0;
    int code = Command("OPTS UTF8 ON");
    if (code == 0) return false;
    utf8_reply_ = reply_.lines().empty() ? std::string() : reply_.lines().back();
    utf8_names_ = IsPositiveCompletion(code);
    return true;
}

bool FtpSession::lost_after_utf8_offer() const
{
    // Unanswered, or answered without taking UTF-8 and nothing since.
    return error_ == FtpError::kConnectionLost &&
           (replies_since_utf8_offer_ == 0 || (replies_since_utf8_offer_ == 1 && !utf8_names_));
}

bool FtpSession::NameCommand(const char* verb, const std::string& name, std::string& line)
{
    line = verb;
    line += ' ';
    if (!utf8_names_ || !convert_names_) {
        line += name;
        return true;
    }
    std::string wire;
    if (!AnsiToUtf8(name, wire)) {
        name_not_converted_ = true;
        return Fail(FtpError::kBadName);
    }
    line += wire;
    return true;
}

bool FtpSession::ExpectName(const char* verb, const std::string& name, int first_digit)
{
    std::string line;
    error_ = FtpError::kNone;
    return NameCommand(verb, name, line) && Expect(line, first_digit);
}

bool FtpSession::FromWire(std::string& text)
{
    if (!utf8_names_ || !convert_names_) return true;
    std::string ansi;
    if (!Utf8ToAnsi(text, ansi)) {
        name_not_converted_ = true;
        return Fail(FtpError::kBadName);
    }
    text.swap(ansi);
    return true;
}

int FtpSession::ReadReply(DWORD timeout_ms)
{
    reply_.Reset();
    last_code_ = 0;
    Deadline deadline(timeout_ms);
    std::string line;
    char buffer[4096];
    while (true) {
        while (splitter_.NextLine(line)) {
            if (sink_) sink_(line);
            if (reply_.Add(line)) {
                last_code_ = reply_.code();
                if (replies_since_utf8_offer_ >= 0 && replies_since_utf8_offer_ < 2) ++replies_since_utf8_offer_;
                if (last_code_ == 0) {
                    Close();
                    Fail(FtpError::kProtocol);
                }
                // 421: the server is closing the connection, whatever it
                // answers (vsftpd's "421 Timeout." after an idle time comes
                // as the reply to the next command, which it did not carry
                // out). It is the connection lost, not a refusal: FTPClient
                // connects again, ftp.exe says the host closed it.
                if (last_code_ == kServiceClosing) {
                    Close();
                    Fail(FtpError::kConnectionLost);
                    return 0;
                }
                return last_code_;
            }
            // "220-..." for ever would fill the memory within the reply wait.
            if (reply_.TooLong()) {
                Close();
                Fail(FtpError::kReplyTooLong);
                return 0;
            }
        }
        if (splitter_.Overlong()) {
            Close();
            Fail(FtpError::kProtocol);
            return 0;
        }
        DWORD left = deadline.Remaining();
        if (left == 0) {
            Close();
            reply_wait_ms_ = timeout_ms;
            Fail(FtpError::kReplyTimedOut);
            return 0;
        }
        std::size_t received = 0;
        IoResult result = control_.Receive(buffer, sizeof buffer, received, left, cancel_);
        if (result != IoResult::kOk) {
            int system_error = control_.error();
            Close();
            FailIo(result, false, system_error);
            return 0;
        }
        splitter_.Feed(buffer, received);
    }
}

bool FtpSession::SendLine(const std::string& line)
{
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    // A line break inside a name would end the command early and make the
    // rest of the name a command of its own.
    if (line.find_first_of("\r\n") != std::string::npos) {
        name_not_converted_ = false;
        return Fail(FtpError::kBadName);
    }
    std::string wire;
    wire.reserve(line.size() + 2);
    wire.append(line).append("\r\n");
    IoResult sent = control_.SendAll(wire.data(), wire.size(), timeouts_.reply_ms, cancel_);
    // The line may be PASS and the password.
    SecureZeroMemory(wire.data(), wire.size());
    if (sent != IoResult::kOk) {
        int system_error = control_.error();
        Close();
        return FailIo(sent, false, system_error);
    }
    return true;
}

int FtpSession::Command(const std::string& line)
{
    error_ = FtpError::kNone;
    if (!SendLine(line)) return 0;
    return ReadReply(timeouts_.reply_ms);
}

bool FtpSession::Expect(const std::string& line, int first_digit)
{
    int code = Command(line);
    if (code == 0) return false;
    if (code / 100 != first_digit) return Fail(FtpError::kRefused);
    return true;
}

bool FtpSession::Login(const std::string& user, const std::string& password)
{
    int code = Command("USER " + user);
    if (code == 0) return false;
    if (code == 230) return true;
    if (code != 331 && code != 332) return Fail(FtpError::kRefused);
    code = SendPassword(password);
    if (code == 0) return false;
    if (code / 100 != 2) return Fail(FtpError::kRefused);
    return true;
}

int FtpSession::SendPassword(const std::string& password)
{
    // Built in one buffer of its final size (no copy left behind by a
    // reallocation) and cleared after use.
    std::string line;
    line.reserve(5 + password.size());
    line.append("PASS ").append(password);
    int code = Command(line);
    SecureZeroMemory(line.data(), line.size());
    return code;
}

bool FtpSession::SetBinary(bool binary) { return Expect(binary ? "TYPE I" : "TYPE A", 2); }

bool FtpSession::ChangeDirectory(const std::string& path) { return ExpectName("CWD", path, 2); }

bool FtpSession::PrintDirectory(std::string& path)
{
    if (!Expect("PWD", 2)) return false;
    for (const std::string& line : reply_.lines()) {
        if (ParseDirectoryReply(line, path)) return FromWire(path);
    }
    return Fail(FtpError::kProtocol);
}

bool FtpSession::Delete(const std::string& name) { return ExpectName("DELE", name, 2); }

bool FtpSession::MakeDirectory(const std::string& name) { return ExpectName("MKD", name, 2); }

bool FtpSession::Size(const std::string& name, std::uint64_t& size)
{
    std::string line;
    error_ = FtpError::kNone;
    if (!NameCommand("SIZE", name, line)) return false;
    int code = Command(line);
    if (code == 0) return false;
    if (code != 213) return Fail(FtpError::kRefused);
    for (const std::string& line : reply_.lines()) {
        if (ParseSizeReply(line, size)) return true;
    }
    return Fail(FtpError::kProtocol);
}

bool FtpSession::TidyUp(const std::function<bool()>& step)
{
    const std::atomic<bool>* cancel = cancel_;
    cancel_ = abandon_;
    bool done = step();
    cancel_ = cancel;
    return done;
}

void FtpSession::Quit(DWORD longest_ms)
{
    if (IsOpen() && !Abandoned()) {
        // Only an ending program stops the goodbye early.
        TidyUp([&] { return SendLine("QUIT") && ReadReply(std::min<DWORD>(timeouts_.reply_ms, longest_ms)) != 0; });
    }
    Close();
}

void FtpSession::Close()
{
    control_.Close();
    splitter_ = LineSplitter();
    active_only_ = !passive_;
}

