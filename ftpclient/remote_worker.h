#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/client_options.h"
#include "ftp/session.h"
#include "ftpclient/transfer_text.h"

// The client's FTP work runs on a worker thread, one job at a time, so that
// the window stays responsive during long transfers. Only the worker touches
// the session while a job runs; the window starts no job while one is running.
//
// What the worker has to say (the status line, the percentage and the bytes
// of the current file, the job's result) is kept here, and the window is
// only nudged with a message that carries nothing (ids.h). A nudge that is
// lost (the window's message queue full, the window closing) loses nothing:
// the window also looks on a timer while a job runs, and nothing is owned
// by a message.

struct RemoteEntry {
    std::string shown;  // in the ANSI code page
    std::string wire;   // exactly as the server sent it
    bool is_directory = false;
    std::uint64_t size = 0;
    bool size_known = false;  // the listing gave the file's size: not for a name from NLST, nor a link's own size
    std::string modified;
};

// A local file to upload: it need not lie in the local folder shown (files
// dropped from Explorer), but it goes to the server under its name alone.
struct UploadFile {
    std::string folder;  // ends with a backslash
    std::string name;    // no separator
};

enum class JobKind { kConnect, kRefresh, kChangeDirectory, kUpload, kDownload, kDeleteRemote };

struct Job {
    JobKind kind = JobKind::kRefresh;
    // The local folder shown when the job started (ends with a backslash):
    // downloads write into it.
    std::string local_folder;
    // Upload: the local files. Download, delete and change directory: the
    // remote entries concerned.
    std::vector<UploadFile> local_files;
    std::vector<RemoteEntry> remote_entries;
};

struct JobResult {
    JobKind kind = JobKind::kRefresh;
    bool ok = true;
    std::vector<std::string> failures;  // what failed, one entry per failure
    bool has_listing = false;
    std::vector<RemoteEntry> entries;
    std::string remote_path;  // shown form
    bool local_changed = false;
    // The files that arrived whole, their bytes, and how long they took.
    std::size_t files_moved = 0;
    std::uint64_t bytes_moved = 0;
    std::uint64_t moving_ms = 0;
    // When not empty, the status line after a job that failed or was
    // stopped, instead of a plain "there were errors".
    std::string status;
};

class RemoteWorker {
public:
    RemoteWorker(const ClientOptions& options, HWND window);
    ~RemoteWorker();
    RemoteWorker(const RemoteWorker&) = delete;
    RemoteWorker& operator=(const RemoteWorker&) = delete;

    // False while a job is running.
    bool Start(Job job);
    bool busy() const { return thread_ != nullptr; }
    // Once the job's thread has ended: its result, and the worker is idle
    // again. False while it runs, or when no job was started.
    bool TakeResult(JobResult& result);
    // The latest status line, when it has changed since the last call.
    bool TakeStatus(std::string& text);
    // Percent of the current file.
    int percent() const { return percent_; }
    // The bytes of the file moving now, of all, and for how long it has
    // moved; false between files.
    bool Figures(TransferFigures& figures);
    // What was wrong with VANTREL_FTP_CONNECT_TIMEOUT or VANTREL_FTP_TIMEOUT
    // (one line each); empty when nothing was.
    const std::string& timeout_notice() const { return timeout_notice_; }
    // The user's stop: the job ends at its next wait; it lists nothing after.
    void Cancel() { cancel_ = true; }
    // The window is closing: a running job is abandoned at once (its
    // sockets closed, no word with the server), an idle connection says
    // goodbye. Waits at most longest_ms; false when the job's thread has not
    // ended by then, and the worker must then be left alone (the process is
    // ending) rather than destroyed.
    bool Shutdown(DWORD longest_ms);

private:
    static DWORD WINAPI ThreadMain(void* self);
    JobResult Run(const Job& job);
    // Opens the connection and logs in.
    bool LogIn(JobResult& result);
    // The first connection: into the folder of the options, else the login
    // folder; settles the folder shown.
    bool Connect(JobResult& result);
    // A new connection into the folder shown. False, with the connection
    // closed and not_back_ saying why, when the session is not provably back
    // in it.
    bool Reconnect(JobResult& result);
    bool EnsureConnected(JobResult& result);
    // Runs `step`; when the server had meanwhile dropped the idle
    // connection (or said 421), reconnects once and runs it again, only
    // when back in the folder shown.
    bool WithReconnect(JobResult& result, const std::function<bool()>& step);
    // Why the last step failed, for the user: not_back_, else the session's text.
    std::string WhyFailed() const;
    bool List(JobResult& result);
    void Upload(const UploadFile& file, std::size_t index, std::size_t count, JobResult& result);
    void Download(const RemoteEntry& entry, std::size_t index, std::size_t count, JobResult& result);
    // Deletes what an upload that did not end whole left on the server;
    // empty when done, else why it could not be.
    std::string RemovePartialUpload(const std::string& wire, const std::string& name);
    void Status(const std::string& text);
    // Nudges the window only when the percentage changes: a fast transfer
    // would otherwise post one message per received block.
    void Progress(int percent);
    // A file begins to move, has moved `done` bytes, has ended.
    void BeginFile(std::uint64_t total, bool total_known);
    void Moved(std::uint64_t done);
    void EndFile(JobResult& result, bool arrived, std::uint64_t bytes);
    void AddFailure(JobResult& result, const std::string& what);

    ClientOptions options_;
    std::string local_folder_;  // of the running job
    HWND window_;
    FtpSession session_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> abandon_{false};
    HANDLE thread_ = nullptr;
    Job job_;
    JobResult result_;  // written by the job's thread before it ends
    std::string remote_path_;  // wire form of the current folder, once known
    bool folder_known_ = false;  // Connect has settled remote_path_ (empty: the login folder)
    std::string not_back_;       // why the last reconnect of the job did not get back, else empty
    CRITICAL_SECTION status_lock_;
    std::string status_;
    bool status_changed_ = false;
    std::atomic<int> percent_{0};
    bool moving_ = false;  // the figures and the start, under status_lock_
    TransferFigures figures_;
    LONGLONG file_start_ = 0;  // performance-counter ticks
    std::string timeout_notice_;
};
