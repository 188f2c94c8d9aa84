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
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "text/sjis.h"

namespace {

// A file is read and sent in blocks of this size.
constexpr std::size_t kBlockSize = 1024 * 1024;
// A download is received in blocks of this size (no recv gives more).
constexpr std::size_t kReceiveBlockSize = 64 * 1024;
constexpr std::size_t kListingLimit = 64u * 1024 * 1024;
// Waits that only tidy up after a failure are short.
constexpr DWORD kTidyUpMs = 5000;
// The send buffer of an upload's data connection. Left to the system, large
// sends grow it to megabytes, which a server that has stopped reading then
// swallows: the stall would only show as a missing reply after the upload.
constexpr int kUploadSendBuffer = 512 * 1024;

std::string Printf(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return std::string();
    CutToWholeChars(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
    return buffer;
}

struct FileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using FileHandle = std::unique_ptr<void, FileCloser>;

FileHandle OpenFile(const std::string& path, bool write)
{
    // A file held open by an editor is still read, as the Windows client does.
    HANDLE h = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                           write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

}  // namespace

struct FtpSession::DataChannel {
    TcpSocket data;
    TcpSocket listener;
    bool passive = false;
};

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
    std::uint16_t port = 21;
    if (!SplitHostPort(host, host_, port)) {
        host_ = host;
        return Fail(FtpError::kUnknownHost);
    }
    sockaddr_in address{};
    int resolve_error = 0;
    if (!winsock_.ok()) return Fail(FtpError::kUnknownHost);
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
            return Fail(FtpError::kReplyTimedOut);
        }
        code = ReadReply(left);
    }
    if (code == 0) return false;
    if (!IsPositiveCompletion(code)) {
        Close();
        return Fail(FtpError::kRefused);
    }
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
                if (last_code_ == 0) {
                    Close();
                    Fail(FtpError::kProtocol);
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
    if (line.find_first_of("\r\n") != std::string::npos) return Fail(FtpError::kBadName);
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
    // Built in one buffer of its final size (no copy left behind by a
    // reallocation) and cleared after use.
    std::string line;
    line.reserve(5 + password.size());
    line.append("PASS ").append(password);
    bool ok = Expect(line, 2);
    SecureZeroMemory(line.data(), line.size());
    return ok;
}

bool FtpSession::SetBinary(bool binary) { return Expect(binary ? "TYPE I" : "TYPE A", 2); }

bool FtpSession::ChangeDirectory(const std::string& path) { return Expect("CWD " + path, 2); }

bool FtpSession::PrintDirectory(std::string& path)
{
    if (!Expect("PWD", 2)) return false;
    for (const std::string& line : reply_.lines()) {
        if (ParseDirectoryReply(line, path)) return true;
    }
    return Fail(FtpError::kProtocol);
}

bool FtpSession::Delete(const std::string& name) { return Expect("DELE " + name, 2); }

bool FtpSession::MakeDirectory(const std::string& name) { return Expect("MKD " + name, 2); }

bool FtpSession::Size(const std::string& name, std::uint64_t& size)
{
    int code = Command("SIZE " + name);
    if (code == 0) return false;
    if (code != 213) return Fail(FtpError::kRefused);
    for (const std::string& line : reply_.lines()) {
        if (ParseSizeReply(line, size)) return true;
    }
    return Fail(FtpError::kProtocol);
}

bool FtpSession::OpenData(DataChannel& channel)
{
    if (!active_only_) {
        int code = Command("PASV");
        if (code == 0) return false;
        HostPort where;
        bool parsed = false;
        for (const std::string& line : reply_.lines()) {
            if (code == 227 && ParsePassiveReply(line, where)) parsed = true;
        }
        if (parsed) {
            // The data connection goes to the server this session talks to,
            // at the port the reply names, whatever address it names (as
            // curl does by default): a server behind NAT, bound to every
            // address or misconfigured names one that cannot be reached,
            // and a hostile one could send the upload to a third host.
            sockaddr_in address{};
            if (!control_.PeerAddress(address)) return Fail(FtpError::kDataConnection, WSAGetLastError());
            address.sin_port = htons(where.port);
            IoResult connected = channel.data.Connect(address, timeouts_.connect_ms, cancel_);
            if (connected == IoResult::kOk) {
                channel.passive = true;
                return true;
            }
            if (connected == IoResult::kCancelled) return Fail(FtpError::kCancelled);
        }
        // Passive refused or unreachable: active mode from now on.
        active_only_ = true;
    }
    sockaddr_in local{};
    if (!control_.LocalAddress(local)) return Fail(FtpError::kDataConnection, WSAGetLastError());
    local.sin_port = 0;
    if (!channel.listener.Listen(local)) return Fail(FtpError::kDataConnection, channel.listener.error());
    sockaddr_in bound{};
    channel.listener.LocalAddress(bound);
    HostPort where;
    std::memcpy(where.address, &bound.sin_addr, 4);
    where.port = ntohs(bound.sin_port);
    if (!Expect("PORT " + PortArgument(where), 2)) return false;
    channel.passive = false;
    return true;
}

bool FtpSession::StartTransfer(DataChannel& channel, const std::string& command, bool* sent)
{
    error_ = FtpError::kNone;
    if (!SendLine(command)) return false;
    if (sent != nullptr) *sent = true;
    int code = ReadReply(timeouts_.reply_ms);
    if (code == 0) return false;
    if (!IsPositivePreliminary(code)) return Fail(FtpError::kRefused);
    if (!channel.passive) {
        sockaddr_in server{};
        control_.PeerAddress(server);
        IoResult accepted = channel.listener.Accept(channel.data, server.sin_addr, timeouts_.connect_ms, cancel_);
        channel.listener.Close();
        if (accepted != IoResult::kOk) {
            // The server waits for a connection that will not come: the
            // control connection is out of step and is given up.
            Close();
            if (accepted == IoResult::kCancelled) return Fail(FtpError::kCancelled);
            if (accepted == IoResult::kTimedOut) return Fail(FtpError::kDataTimedOut);
            return Fail(FtpError::kDataConnection, channel.listener.error());
        }
    }
    return true;
}

bool FtpSession::FinishTransfer()
{
    int code = ReadReply(timeouts_.reply_ms);
    if (code == 0) return false;
    if (!IsPositiveCompletion(code)) return Fail(FtpError::kRefused);
    return true;
}

bool FtpSession::AbortTransfer(DataChannel& channel, FtpError error, int system_error)
{
    // ABOR first, then a reset of the data connection, never a normal close:
    // a server that sees the data connection end first takes a cut upload
    // for a whole one. Measured with pyftpdlib 1.5.7: a reset alone, or
    // before ABOR, is answered "226 Transfer complete"; ABOR first gets
    // "426 Transfer aborted via ABOR." and "226 ABOR command successful.".
    // A program that is ending says nothing more and waits for nothing.
    if (Abandoned()) {
        channel.data.Reset();
        Close();
        return Fail(error, system_error);
    }
    TidyUp([&] {
        bool asked = IsOpen() && SendLine("ABOR");
        channel.data.Reset();
        if (asked) Resynchronise();
        return true;
    });
    return Fail(error, system_error);
}

void FtpSession::Resynchronise()
{
    // The server owes a reply to the broken transfer and one or two to ABOR
    // (425/426 and 226, or 225 alone, or 226 and 225 when the transfer had
    // just ended; a server without ABOR says 500). PWD is sent after them
    // and every reply up to its 257, a code none of them has, is read: the
    // next command then gets its own reply. A server that stays silent, or
    // does not answer PWD, loses the connection.
    Deadline deadline(kTidyUpMs);
    if (!SendLine("PWD")) return;
    while (true) {
        DWORD left = deadline.Remaining();
        if (left == 0) {
            Close();
            return;
        }
        int code = ReadReply(left);
        if (code == 0 || code == 257) return;
    }
}

bool FtpSession::TidyUp(const std::function<bool()>& step)
{
    const std::atomic<bool>* cancel = cancel_;
    cancel_ = abandon_;
    bool done = step();
    cancel_ = cancel;
    return done;
}

bool FtpSession::Store(const std::string& local_path, const std::string& remote_name, const Progress& progress,
                       std::uint64_t& bytes)
{
    bytes = 0;
    error_ = FtpError::kNone;
    store_reached_server_ = false;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    FileHandle file = OpenFile(local_path, false);
    if (!file) return Fail(FtpError::kLocalFile, static_cast<int>(GetLastError()));
    DataChannel channel;
    if (!OpenData(channel)) return false;
    if (!StartTransfer(channel, "STOR " + remote_name, &store_reached_server_)) {
        // A STOR refused outright (5xx, or 450/452: file action not taken)
        // left the server's file alone; 425, 426 and 451 may come after
        // the server has opened it.
        if (error_ == FtpError::kRefused && (last_code_ / 100 == 5 || last_code_ == 450 || last_code_ == 452)) {
            store_reached_server_ = false;
        }
        return false;
    }
    setsockopt(channel.data.handle(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kUploadSendBuffer),
               sizeof kUploadSendBuffer);

    std::unique_ptr<char[]> block(new char[kBlockSize]);
    while (true) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block.get(), kBlockSize, &read, nullptr)) {
            return AbortTransfer(channel, FtpError::kLocalFile, static_cast<int>(GetLastError()));
        }
        if (read == 0) break;
        std::uint64_t before = bytes;
        auto moved = [&](std::size_t sent) { progress(before + sent); };
        IoResult sent = channel.data.SendAll(block.get(), read, timeouts_.data_idle_ms, cancel_,
                                             progress ? moved : std::function<void(std::size_t)>());
        if (sent != IoResult::kOk) {
            FailIo(sent, true, channel.data.error());
            return AbortTransfer(channel, error_, system_error_);
        }
        bytes += read;
    }
    channel.data.FinishSending();
    return FinishTransfer();
}

bool FtpSession::Retrieve(const std::string& remote_name, const std::string& local_path, const Progress& progress,
                          std::uint64_t& bytes, const RetrieveOptions& options)
{
    const std::uint64_t* expected_size = options.expected_size;
    bytes = 0;
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    PathParts parts = SplitPath(local_path.c_str(), MAX_PATH);
    std::string folder = parts.drive + parts.directory;
    if (folder.empty()) folder.push_back('.');
    char temporary[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder.c_str(), "ftp", 0, temporary) == 0) {
        return Fail(FtpError::kLocalFile, static_cast<int>(GetLastError()));
    }
    bool ok = false;
    {
        FileHandle file = OpenFile(temporary, true);
        if (!file) {
            Fail(FtpError::kLocalFile, static_cast<int>(GetLastError()));
        } else {
            DWORD write_error = 0;
            std::uint64_t written_total = 0;
            ok = RetrieveInto(remote_name, [&](const char* data, std::size_t size) {
                DWORD written = 0;
                if (!WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
                    write_error = GetLastError();
                    return false;
                }
                written_total += size;
                if (options.tap) options.tap(data, size);
                if (progress) progress(written_total);
                return true;
            }, bytes, options.keep_rate);
            if (!ok && error_ == FtpError::kStopped) Fail(FtpError::kLocalFile, static_cast<int>(write_error));
        }
    }
    // A server may end a download early and still say 226.
    if (ok && expected_size != nullptr && bytes != *expected_size) {
        expected_size_ = *expected_size;
        received_size_ = bytes;
        ok = Fail(FtpError::kSizeMismatch);
    }
    if (ok && !MoveFileExA(temporary, local_path.c_str(), options.replace_existing ? MOVEFILE_REPLACE_EXISTING : 0)) {
        ok = Fail(FtpError::kLocalFile, static_cast<int>(GetLastError()));
    }
    if (!ok) DeleteFileA(temporary);
    return ok;
}

bool FtpSession::RetrieveInto(const std::string& remote_name, const ReceiveSink& sink, std::uint64_t& bytes,
                              bool keep_rate)
{
    bytes = 0;
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    DataChannel channel;
    if (!OpenData(channel) || !StartTransfer(channel, "RETR " + remote_name)) return false;
    return ReceiveData(channel, sink, bytes, keep_rate ? FtpError::kTooSlow : FtpError::kNone);
}

bool FtpSession::ReceiveData(DataChannel& channel, const ReceiveSink& sink, std::uint64_t& bytes, FtpError too_slow)
{
    // Each byte restarts the idle wait; with a rate to keep, the transfer as
    // a whole must keep the one that ListingAllowanceMs sets.
    DWORD started = GetTickCount();
    std::unique_ptr<char[]> block(new char[kReceiveBlockSize]);
    while (true) {
        DWORD wait = timeouts_.data_idle_ms;
        if (too_slow != FtpError::kNone) {
            std::uint64_t allowed = ListingAllowanceMs(timeouts_, bytes);
            DWORD elapsed = GetTickCount() - started;
            if (elapsed >= allowed) return AbortTransfer(channel, too_slow, 0);
            wait = static_cast<DWORD>(std::min<std::uint64_t>(wait, allowed - elapsed));
        }
        std::size_t received = 0;
        IoResult got = channel.data.Receive(block.get(), kReceiveBlockSize, received, wait, cancel_);
        if (got == IoResult::kClosed) return FinishTransfer();
        if (got == IoResult::kTimedOut && wait < timeouts_.data_idle_ms) return AbortTransfer(channel, too_slow, 0);
        if (got != IoResult::kOk) {
            FailIo(got, true, channel.data.error());
            return AbortTransfer(channel, error_, system_error_);
        }
        bytes += received;
        if (!sink(block.get(), received)) return AbortTransfer(channel, FtpError::kStopped, 0);
    }
}

bool FtpSession::ReceiveListing(const std::string& command, std::string& listing, const DataSink& sink)
{
    listing.clear();
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    DataChannel channel;
    if (!OpenData(channel) || !StartTransfer(channel, command)) return false;
    bool too_large = false;
    std::uint64_t bytes = 0;
    bool whole = ReceiveData(channel, [&](const char* data, std::size_t size) {
        too_large = listing.size() + size > kListingLimit;
        if (too_large) return false;
        listing.append(data, size);
        if (sink) sink(data, size);
        return true;
    }, bytes, FtpError::kListingTooSlow);
    return too_large ? Fail(FtpError::kProtocol) : whole;
}

bool FtpSession::NameList(const std::string& folder, std::string& listing, const DataSink& sink)
{
    return ReceiveListing(folder.empty() ? "NLST" : "NLST " + folder, listing, sink);
}

bool FtpSession::LongList(const std::string& folder, std::string& listing, const DataSink& sink)
{
    return ReceiveListing(folder.empty() ? "LIST" : "LIST " + folder, listing, sink);
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
    active_only_ = false;
}

std::string FtpSession::ErrorText() const
{
    switch (error_) {
    case FtpError::kNone:
        return std::string();
    case FtpError::kNotConnected:
        return "接続されていません。";
    case FtpError::kUnknownHost:
        return Printf("ホスト %s が見つかりません。", host_.c_str());
    case FtpError::kResolveTimedOut:
        return Printf("ホスト %s の名前解決が %lu 秒以内に終わりませんでした。", host_.c_str(), timeouts_.connect_ms / 1000);
    case FtpError::kConnectFailed:
        return Printf("%s に接続できません (エラー %d)。", host_.c_str(), system_error_);
    case FtpError::kConnectTimedOut:
        return Printf("%s への接続が %lu 秒以内にできませんでした。", host_.c_str(), timeouts_.connect_ms / 1000);
    case FtpError::kReplyTimedOut:
        return Printf("サーバーが %lu 秒以内に応答しませんでした。", timeouts_.reply_ms / 1000);
    case FtpError::kConnectionLost:
        return "サーバーとの接続が切れました。";
    case FtpError::kProtocol:
        return "サーバーの応答が FTP の形式ではありません。";
    case FtpError::kReplyTooLong:
        return Printf("サーバーの応答が長すぎます (%u 行、%u KiB まで)。", static_cast<unsigned>(ReplyAssembler::kMaxLines),
                      static_cast<unsigned>(ReplyAssembler::kMaxBytes / 1024));
    case FtpError::kRefused:
        return "サーバーの拒否: " + (reply_.lines().empty() ? std::string() : reply_.lines().back());
    case FtpError::kDataConnection:
        return Printf("データ接続ができません (エラー %d)。", system_error_);
    case FtpError::kDataLost:
        return system_error_ != 0 ? Printf("データ転送中に接続が切れました (エラー %d)。", system_error_)
                                  : std::string("データ転送中に接続が切れました。");
    case FtpError::kDataTimedOut:
        return Printf("データ転送が %lu 秒間止まったため中止しました。", timeouts_.data_idle_ms / 1000);
    case FtpError::kListingTooSlow:
        return Printf("一覧の受信が遅すぎるため中止しました (%lu 秒と、%u KiB ごとにさらに %lu 秒まで)。",
                      timeouts_.reply_ms / 1000, static_cast<unsigned>(kListingStepBytes / 1024), timeouts_.reply_ms / 1000);
    case FtpError::kLocalFile:
        return Printf("ローカルファイルを読み書きできません (エラー %d)。", system_error_);
    case FtpError::kBadName:
        return "名前に改行が含まれています。";
    case FtpError::kCancelled:
        return "中止しました。";
    case FtpError::kTooSlow:
        return Printf("受信が遅すぎるため中止しました (%lu 秒と、%u KiB ごとにさらに %lu 秒まで)。", timeouts_.reply_ms / 1000,
                      static_cast<unsigned>(kListingStepBytes / 1024), timeouts_.reply_ms / 1000);
    case FtpError::kStopped:
        return "受信を途中でやめました。";
    case FtpError::kSizeMismatch:
        return "受け取った大きさ (" + std::to_string(received_size_) + " バイト) がサーバーの示した大きさ (" +
               std::to_string(expected_size_) + " バイト) と違うため、ファイルを置き換えませんでした。";
    }
    return std::string();
}
