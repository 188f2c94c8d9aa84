#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ftp/client_options.h"
#include "ftp/session.h"

// The client's FTP work runs on a worker thread, one job at a time, so that
// the window stays responsive during long transfers; the worker reports
// through messages posted to the window (ids.h). Only the worker touches the
// session while a job runs; the window starts no job while one is running.

struct RemoteEntry {
    std::string shown;  // in the ANSI code page
    std::string wire;   // exactly as the server sent it
    bool is_directory = false;
    std::uint64_t size = 0;
    std::string modified;
};

enum class JobKind { kConnect, kRefresh, kChangeDirectory, kUpload, kDownload, kDeleteRemote };

struct Job {
    JobKind kind = JobKind::kRefresh;
    // The local folder shown when the job started (ends with a backslash):
    // uploads read from it, downloads write into it.
    std::string local_folder;
    // Upload: local file names (in the local folder). Download, delete and
    // change directory: the remote entries concerned.
    std::vector<std::string> local_names;
    std::vector<RemoteEntry> remote_entries;
};

struct JobResult {
    JobKind kind = JobKind::kRefresh;
    bool ok = true;
    std::string message;  // what failed, one line per failure
    bool has_listing = false;
    std::vector<RemoteEntry> entries;
    std::string remote_path;  // shown form
    bool local_changed = false;
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
    // Called by the window when it has received the job's result.
    void Finished();
    void Cancel() { cancel_ = true; }
    // Cancels any job, waits for the thread, and says goodbye to the server.
    void Shutdown();

private:
    static DWORD WINAPI ThreadMain(void* self);
    JobResult Run(const Job& job);
    bool Connect(JobResult& result);
    bool EnsureConnected(JobResult& result);
    // Runs `step`; when the server had meanwhile dropped the idle
    // connection, reconnects once and runs it again.
    bool WithReconnect(JobResult& result, const std::function<bool()>& step);
    bool List(JobResult& result);
    void Upload(const std::string& name, std::size_t index, std::size_t count, JobResult& result);
    void Download(const RemoteEntry& entry, std::size_t index, std::size_t count, JobResult& result);
    void Status(const std::string& text);
    void AddFailure(JobResult& result, const std::string& what);

    ClientOptions options_;
    std::string local_folder_;  // of the running job
    HWND window_;
    FtpSession session_;
    std::atomic<bool> cancel_{false};
    HANDLE thread_ = nullptr;
    Job job_;
    std::string remote_path_;  // wire form of the current folder, once known
};
