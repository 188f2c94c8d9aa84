// The data connections of FtpSession: passive or active, uploads,
// downloads and listings, and the tidy-up after a broken transfer.
#include "ftp/session.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "ftp/local_file.h"
#include "text/code_page.h"

namespace {

// A file is read and sent in blocks of this size.
constexpr std::size_t kBlockSize = 1024 * 1024;
// A download is received in blocks of this size (no recv gives more).
constexpr std::size_t kReceiveBlockSize = 64 * 1024;
constexpr std::size_t kListingLimit = 64u * 1024 * 1024;
// The send buffer of an upload's data connection. Left to the system, large
// sends grow it to megabytes, which a server that has stopped reading then
// swallows: the stall would only show as a missing reply after the upload.
constexpr int kUploadSendBuffer = 512 * 1024;
// After the last send of an upload has returned, its bytes may still be in
// that buffer and as much again in the server's: a slow machine reads them
// at its own pace before it can answer.
constexpr std::uint64_t kBufferedAfterLastSend = 2 * kUploadSendBuffer;

}  // namespace

struct FtpSession::DataChannel {
    TcpSocket data;
    TcpSocket listener;
    bool passive = false;
};

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

bool FtpSession::FinishTransfer(DWORD wait_ms)
{
    int code = ReadReply(wait_ms);
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

bool FtpSession::Store(const std::string& local_path, const std::string& remote_name, const Progress& progress,
                       std::uint64_t& bytes)
{
    bytes = 0;
    error_ = FtpError::kNone;
    store_reached_server_ = false;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    LocalFile file(local_path);
    if (!file.IsOpen()) return Fail(FtpError::kLocalFile, static_cast<int>(GetLastError()));
    DataChannel channel;
    std::string command;
    if (!NameCommand("STOR", remote_name, command) || !OpenData(channel)) return false;
    if (!StartTransfer(channel, command, &store_reached_server_)) {
        // A STOR refused outright (5xx, or 450/452: file action not taken;
        // 421: the server closing instead) left the server's file alone;
        // 425, 426 and 451 may come after the server has opened it.
        bool refused = error_ == FtpError::kRefused && (last_code_ / 100 == 5 || last_code_ == 450 || last_code_ == 452);
        if (refused || (error_ == FtpError::kConnectionLost && last_code_ == 421)) store_reached_server_ = false;
        return false;
    }
    setsockopt(channel.data.handle(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kUploadSendBuffer),
               sizeof kUploadSendBuffer);

    std::unique_ptr<char[]> block(new char[kBlockSize]);
    while (true) {
        long long read = file.Read(block.get(), kBlockSize);
        if (read < 0) return AbortTransfer(channel, FtpError::kLocalFile, static_cast<int>(GetLastError()));
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
    // The reply waits for what is still buffered, at the least rate a
    // listing must keep.
    if (timeouts_.reply_ms == kNoTimeLimit) return FinishTransfer(kNoTimeLimit);
    std::uint64_t allowed = ListingAllowanceMs(timeouts_, std::min(bytes, kBufferedAfterLastSend));
    return FinishTransfer(static_cast<DWORD>(std::min<std::uint64_t>(allowed, kNoTimeLimit - 1)));
}

bool FtpSession::Retrieve(const std::string& remote_name, const std::string& local_path, const Progress& progress,
                          std::uint64_t& bytes, const RetrieveOptions& options)
{
    bytes = 0;
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    DownloadFile file;
    if (!file.Create(local_path)) return Fail(FtpError::kLocalFile, static_cast<int>(file.error()));
    std::uint64_t written_total = 0;
    bool ok = RetrieveInto(remote_name, [&](const char* data, std::size_t size) {
        if (!file.Write(data, size)) return false;
        written_total += size;
        if (options.tap) options.tap(data, size);
        if (progress) progress(written_total);
        return true;
    }, bytes, options.keep_rate);
    if (!ok && error_ == FtpError::kStopped) Fail(FtpError::kLocalFile, static_cast<int>(file.error()));
    // A server may end a download early and still say 226.
    if (ok && options.expected_size && bytes != *options.expected_size) {
        expected_size_ = *options.expected_size;
        received_size_ = bytes;
        ok = Fail(FtpError::kSizeMismatch);
    }
    if (ok && !file.Keep(options.replace_existing)) ok = Fail(FtpError::kLocalFile, static_cast<int>(file.error()));
    return ok;
}

bool FtpSession::RetrieveInto(const std::string& remote_name, const ReceiveSink& sink, std::uint64_t& bytes,
                              bool keep_rate)
{
    bytes = 0;
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    DataChannel channel;
    std::string command;
    if (!NameCommand("RETR", remote_name, command) || !OpenData(channel) || !StartTransfer(channel, command)) {
        return false;
    }
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
        if (too_slow != FtpError::kNone && timeouts_.reply_ms != kNoTimeLimit) {
            std::uint64_t allowed = ListingAllowanceMs(timeouts_, bytes);
            DWORD elapsed = GetTickCount() - started;
            if (elapsed >= allowed) return AbortTransfer(channel, too_slow, 0);
            wait = static_cast<DWORD>(std::min<std::uint64_t>(wait, allowed - elapsed));
        }
        std::size_t received = 0;
        IoResult got = channel.data.Receive(block.get(), kReceiveBlockSize, received, wait, cancel_);
        if (got == IoResult::kClosed) {
            // Our end goes before the final reply is awaited: ProFTPD sends
            // 226 only once the client has closed too (measured with 1.3.8:
            // every listing and download 10.8 s late, its linger time).
            channel.data.Close();
            return FinishTransfer(timeouts_.reply_ms);
        }
        if (got == IoResult::kTimedOut && wait < timeouts_.data_idle_ms) return AbortTransfer(channel, too_slow, 0);
        if (got != IoResult::kOk) {
            FailIo(got, true, channel.data.error());
            return AbortTransfer(channel, error_, system_error_);
        }
        bytes += received;
        if (!sink(block.get(), received)) return AbortTransfer(channel, FtpError::kStopped, 0);
    }
}

bool FtpSession::ReceiveListing(const char* verb, const std::string& folder, std::string& listing,
                                 const DataSink& sink)
{
    listing.clear();
    names_left_out_ = 0;
    error_ = FtpError::kNone;
    if (!IsOpen()) return Fail(FtpError::kNotConnected);
    DataChannel channel;
    std::string command = verb;
    if (!folder.empty() && !NameCommand(verb, folder, command)) return false;
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
    if (too_large) return Fail(FtpError::kProtocol);
    if (whole && utf8_names_ && convert_names_) ListingFromUtf8(listing);
    return whole;
}

void FtpSession::ListingFromUtf8(std::string& listing)
{
    std::string converted;
    if (Utf8ToAnsi(listing, converted)) {
        listing.swap(converted);
        return;
    }
    // Line by line: one name the ANSI code page cannot write costs only its
    // own line, which no caller could name on the wire again.
    std::string kept;
    for (std::size_t start = 0; start < listing.size();) {
        std::size_t end = listing.find('\n', start);
        end = end == std::string::npos ? listing.size() : end + 1;
        if (Utf8ToAnsi(std::string_view(listing).substr(start, end - start), converted)) {
            kept += converted;
        } else {
            ++names_left_out_;
        }
        start = end;
    }
    listing.swap(kept);
}

bool FtpSession::NameList(const std::string& folder, std::string& listing, const DataSink& sink)
{
    return ReceiveListing("NLST", folder, listing, sink);
}

bool FtpSession::LongList(const std::string& folder, std::string& listing, const DataSink& sink)
{
    return ReceiveListing("LIST", folder, listing, sink);
}

