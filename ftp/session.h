#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ftp/reply.h"
#include "ftp/socket_io.h"
#include "ftp/timeouts.h"

// One FTP control connection and the data connections it opens, used by
// ftp.exe, filelist.exe, FTPClient.exe and Vantrel.exe alike. Names are byte
// strings in the ANSI code page (Shift-JIS on our systems), sent unchanged
// unless the server took OPTS UTF8 ON (set_offer_utf8). Every wait is bounded
// by the timeouts set (kNoTimeLimit: none); each line the server sends is
// handed to the reply sink as it arrives, so that ftp.exe can echo it. Data
// connections are passive first; when the server refuses PASV or its passive
// port cannot be reached, the session switches to active mode (PORT) for the
// rest of the connection (set_passive(false): PORT only). Either way the
// data comes from the control connection's peer only.

// How FtpSession::Retrieve writes its local file.
struct RetrieveOptions {
    // When given, a download that the server ends as complete at another size fails
    // (kSizeMismatch), and the local file stays as it was.
    std::optional<std::uint64_t> expected_size;
    // false: a local file of the name is never replaced; the download then
    // fails with kLocalFile (ERROR_ALREADY_EXISTS) and leaves it alone.
    bool replace_existing = true;
    // As RetrieveInto's keep_rate.
    bool keep_rate = false;
    // Sees each block once it has been written, as it arrives.
    std::function<void(const char* data, std::size_t size)> tap;
};

enum class FtpError {
    kNone,
    kNotConnected,
    kNoWinsock,       // Winsock could not be started (WSAStartup failed)
    kUnknownHost,
    kResolveTimedOut,  // the name lookup did not end within the connect time
    kConnectFailed,
    kConnectTimedOut,
    kReplyTimedOut,
    kConnectionLost,
    kProtocol,        // a reply that is not FTP
    kReplyTooLong,    // a reply past ReplyAssembler's limits
    kRefused,         // the server answered with an error code
    kDataConnection,  // neither passive nor active data connection worked
    kDataLost,        // the data connection broke during the transfer
    kDataTimedOut,
    kListingTooSlow,  // the listing's data fell below its rate (ListingAllowanceMs)
    kTooSlow,         // a download that had to keep that rate fell below it
    kLocalFile,
    kBadName,         // a name that would break the command line (CR or LF in it), or that does not convert
                      // between the ANSI code page and UTF-8 after the server took OPTS UTF8 ON
    kCancelled,
    kStopped,         // the receiver of a download wanted no more of it
    kSizeMismatch,    // a download ended whole by the server's word, but not at the size it gave
};

class FtpSession {
public:
    using ReplySink = std::function<void(const std::string& line)>;
    // Called as a transfer moves with the bytes moved so far (of an upload:
    // taken by the connection, after each send).
    using Progress = std::function<void(std::uint64_t bytes)>;
    // Receives a listing's bytes as they arrive (ftp.exe shows them between
    // the server's 150 and 226 replies, as the Windows client does).
    using DataSink = std::function<void(const char* data, std::size_t size)>;
    // Receives a download's bytes as they arrive; false stops the download
    // (it is aborted, and the session stays usable).
    using ReceiveSink = std::function<bool(const char* data, std::size_t size)>;

    FtpSession();
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    void set_timeouts(const FtpTimeouts& timeouts) { timeouts_ = timeouts; }
    void set_reply_sink(ReplySink sink) { sink_ = std::move(sink); }
    // While *cancel is true every wait ends at once with kCancelled. The
    // short tidy-up after a broken transfer (reading the server's word on
    // it, so that the connection stays in step) still runs.
    void set_cancel_flag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
    // While *abandon is true (the program is ending) the tidy-up is skipped
    // as well: a broken transfer closes the control connection at once, and
    // Quit sends nothing. Set the cancel flag with it.
    void set_abandon_flag(const std::atomic<bool>* abandon) { abandon_ = abandon; }

    // Whether Open sends OPTS UTF8 ON right after the greeting, as the client of Windows 8 and later does.
    void set_offer_utf8(bool offer) { offer_utf8_ = offer; }
    // After Open: the server took OPTS UTF8 ON (2xx). Names then go out in UTF-8, converted exactly from the
    // ANSI code page (a name that does not convert fails with kBadName), and listings come back converted to it.
    bool utf8_names() const { return utf8_names_; }
    // The last line of the server's reply to OPTS UTF8 ON ("200 ...", "530 ..."); empty when Open did not
    // send it or no reply came.
    const std::string& utf8_reply() const { return utf8_reply_; }
    // The connection ended (kConnectionLost) on OPTS UTF8 ON or right after its reply, before the server had
    // answered anything else: a server that does not take OPTS before the login and hangs up instead.
    bool lost_after_utf8_offer() const;
    // false: names and listings pass unchanged also after the server took UTF-8, for a caller that converts
    // them itself and keeps the server's bytes (FTPClient.exe). Default true.
    void set_convert_names(bool convert) { convert_names_ = convert; }
    // false: active mode (PORT) only, as the Windows client has; true (the default): passive first.
    void set_passive(bool passive)
    {
        passive_ = passive;
        active_only_ = !passive;
    }

    // Connects and reads the greeting, then offers UTF-8 when asked to. A
    // negative reply to OPTS is no failure: names stay in the ANSI code page.
    // `host` may carry ":port".
    bool Open(const std::string& host);
    bool IsOpen() const { return control_.valid(); }

    // Sends one command line and reads its reply; the reply code, or 0 when
    // no reply came or the reply was 421, the server closing the connection
    // (see error()).
    int Command(const std::string& line);
    // USER and, when asked for, PASS.
    bool Login(const std::string& user, const std::string& password);
    // Sends PASS with `password` and returns the reply's code (0 when none
    // came), leaving no copy of the line behind.
    int SendPassword(const std::string& password);
    bool SetBinary(bool binary);
    bool ChangeDirectory(const std::string& path);
    bool PrintDirectory(std::string& path);
    bool Delete(const std::string& name);
    bool MakeDirectory(const std::string& name);
    // SIZE: true with the size from a 213 reply; false with kRefused (and
    // last_code()) when the server answered otherwise.
    bool Size(const std::string& name, std::uint64_t& size);

    // A failed or cancelled upload is aborted (ABOR, then a reset of the
    // data connection), so that the server sees a broken transfer.
    bool Store(const std::string& local_path, const std::string& remote_name, const Progress& progress,
               std::uint64_t& bytes);
    // Whether the last Store's STOR reached the server without being refused.
    // From then on the server may hold a new, emptied or cut file of that name
    // (pyftpdlib opens it for writing at STOR: an old file of the name is
    // empty before the first byte is sent), unless the Store succeeded.
    bool store_reached_server() const { return store_reached_server_; }
    // Writes to a temporary file beside `local_path` and renames it only
    // when the whole file has arrived, so a failure leaves no partial file.
    bool Retrieve(const std::string& remote_name, const std::string& local_path, const Progress& progress,
                  std::uint64_t& bytes, const RetrieveOptions& options = RetrieveOptions());
    // RETR, each block handed to `sink` as it arrives (64 KiB at most), so
    // that no file is held whole; true when the server has confirmed the
    // whole file. When the sink returns false the download is aborted and
    // this returns false with kStopped; `bytes` counts what was received.
    // With `keep_rate` the download must also keep the listings' rate
    // (ListingAllowanceMs), else kTooSlow: for a caller without a stop
    // button, which a server sending a byte now and then would hold.
    bool RetrieveInto(const std::string& remote_name, const ReceiveSink& sink, std::uint64_t& bytes,
                      bool keep_rate = false);
    // NLST or LIST of `folder` (empty: the current folder); the listing as
    // the server sent it, converted from UTF-8 when the server took it (the
    // sink sees the server's bytes as they arrive). A line that holds a name
    // the ANSI code page cannot write is left out then (names_left_out()).
    bool NameList(const std::string& folder, std::string& listing, const DataSink& sink = nullptr);
    bool LongList(const std::string& folder, std::string& listing, const DataSink& sink = nullptr);
    // Lines of the last listing left out in its conversion from UTF-8.
    std::size_t names_left_out() const { return names_left_out_; }

    // QUIT with a short wait for the goodbye (at most longest_ms), then close.
    void Quit(DWORD longest_ms = kTidyUpMs);
    void Close();
    // Runs `step` as a tidy-up: its waits are cut short by the abandon flag
    // only, not by the cancel flag, which a user's stop has set. The worker
    // of FTPClient.exe deletes a stopped upload's remains this way.
    bool TidyUp(const std::function<bool()>& step);

    FtpError error() const { return error_; }
    // The Winsock (or system) error of the last failure, 0 when none was given.
    int system_error() const { return system_error_; }
    // The code of the last reply, 0 when none came.
    int last_code() const { return last_code_; }
    // Text for the user, in Japanese, of the last failure.
    std::string ErrorText() const;

private:
    struct DataChannel;

    bool Fail(FtpError error, int system_error = 0);
    bool FailIo(IoResult result, bool data, int system_error);
    int ReadReply(DWORD timeout_ms);
    bool SendLine(const std::string& line);
    bool Expect(const std::string& line, int first_digit);
    // `verb` and `name`, the name in UTF-8 when the server took it.
    bool NameCommand(const char* verb, const std::string& name, std::string& line);
    bool ExpectName(const char* verb, const std::string& name, int first_digit);
    bool OfferUtf8();
    bool FromWire(std::string& text);
    bool OpenData(DataChannel& channel);
    bool StartTransfer(DataChannel& channel, const std::string& command, bool* sent = nullptr);
    // Reads the transfer's final reply, waiting up to `wait_ms`.
    bool FinishTransfer(DWORD wait_ms);
    bool AbortTransfer(DataChannel& channel, FtpError error, int system_error);
    void Resynchronise();
    // The data connection's bytes into `sink` until the server ends the
    // transfer; too_slow (kNone: no rate to keep) when it falls below the
    // listings' rate.
    bool ReceiveData(DataChannel& channel, const ReceiveSink& sink, std::uint64_t& bytes, FtpError too_slow);
    bool ReceiveListing(const char* verb, const std::string& folder, std::string& listing, const DataSink& sink);
    // The listing's lines converted from UTF-8; those that do not convert are left out and counted.
    void ListingFromUtf8(std::string& listing);
    bool Abandoned() const { return abandon_ != nullptr && abandon_->load(); }

    WinsockUser winsock_;
    TcpSocket control_;
    LineSplitter splitter_;
    ReplyAssembler reply_;
    FtpTimeouts timeouts_;
    unsigned long reply_wait_ms_ = 0;  // the wait a reply did not come within
    ReplySink sink_;
    const std::atomic<bool>* cancel_ = nullptr;
    const std::atomic<bool>* abandon_ = nullptr;
    bool passive_ = true;
    bool active_only_ = false;
    bool offer_utf8_ = false;
    bool utf8_names_ = false;
    bool convert_names_ = true;
    bool name_not_converted_ = false;  // kBadName: the name did not convert (not a line break)
    std::string utf8_reply_;
    // Complete replies read since OPTS UTF8 ON was sent (counted up to 2); -1: not sent.
    int replies_since_utf8_offer_ = -1;
    std::size_t names_left_out_ = 0;
    FtpError error_ = FtpError::kNone;
    int system_error_ = 0;
    int last_code_ = 0;
    bool store_reached_server_ = false;
    std::uint64_t expected_size_ = 0;  // kSizeMismatch: the size the server gave
    std::uint64_t received_size_ = 0;  // kSizeMismatch: what arrived
    std::string host_;
};
