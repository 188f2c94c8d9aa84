#include "ftpclient/remote_worker.h"

#include <memory>

#include "ftp/listing.h"
#include "ftp/local_file.h"
#include "ftp/local_name.h"
#include "ftpclient/ids.h"
#include "ftpclient/name_codec.h"
#include "platform/lock_guard.h"
#include "platform/stopwatch.h"

namespace {

int Percent(std::uint64_t done, std::uint64_t total)
{
    if (total == 0) return 100;
    return static_cast<int>(done >= total ? 100 : done * 100 / total);
}

// `name` (a listed folder or file, or "..") in the server's `folder`, as a
// path that reaches it from the login folder (empty: the login folder
// itself). No ".." is resolved here: the server resolves it as it did the
// CWD (a folder reached by a link has another parent on some servers).
std::string PathInside(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

RemoteWorker::RemoteWorker(const ClientOptions& options, HWND window) : options_(options), window_(window)
{
    InitializeCriticalSection(&status_lock_);
    session_.set_cancel_flag(&cancel_);
    session_.set_abandon_flag(&abandon_);
    session_.set_timeouts(TimeoutsFromEnvironment(&timeout_notice_));
    // The worker keeps every name as the server's bytes beside its shown
    // form (RemoteEntry), so the session converts none of them.
    session_.set_offer_utf8(options_.offer_utf8);
    session_.set_convert_names(false);
}

RemoteWorker::~RemoteWorker()
{
    Shutdown(INFINITE);
    DeleteCriticalSection(&status_lock_);
}

bool RemoteWorker::Start(Job job)
{
    if (busy()) return false;
    job_ = std::move(job);
    local_folder_ = job_.local_folder;
    cancel_ = false;
    percent_ = 0;
    thread_ = CreateThread(nullptr, 0, &RemoteWorker::ThreadMain, this, 0, nullptr);
    return thread_ != nullptr;
}

bool RemoteWorker::TakeResult(JobResult& result)
{
    if (thread_ == nullptr || WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) return false;
    CloseHandle(thread_);
    thread_ = nullptr;
    result = std::move(result_);
    result_ = JobResult{};
    return true;
}

bool RemoteWorker::TakeStatus(std::string& text)
{
    LockGuard lock(status_lock_);
    bool changed = status_changed_;
    if (changed) text = status_;
    status_changed_ = false;
    return changed;
}

bool RemoteWorker::Shutdown(DWORD longest_ms)
{
    if (thread_ != nullptr) {
        abandon_ = true;
        cancel_ = true;
        // Every wait of the session ends within a tenth of a second of these;
        // only a call that no flag reaches (a local file on a dead network
        // share, say) could hold the thread longer.
        if (WaitForSingleObject(thread_, longest_ms) != WAIT_OBJECT_0) return false;
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    // Abandoned, this only closes; idle, it says goodbye within the time.
    session_.Quit(longest_ms);
    return true;
}

DWORD WINAPI RemoteWorker::ThreadMain(void* self)
{
    auto* worker = static_cast<RemoteWorker*>(self);
    worker->result_ = worker->Run(worker->job_);
    // The window takes the result when this thread has ended; the nudge
    // only hurries it (a lost one is made up by the window's timer).
    PostMessageA(worker->window_, kJobDoneMessage, 0, 0);
    return 0;
}

void RemoteWorker::Status(const std::string& text)
{
    {
        LockGuard lock(status_lock_);
        status_ = text;
        status_changed_ = true;
    }
    PostMessageA(window_, kStatusMessage, 0, 0);
}

void RemoteWorker::Progress(int percent)
{
    if (percent_.exchange(percent) != percent) PostMessageA(window_, kProgressMessage, 0, 0);
}

void RemoteWorker::BeginFile(std::uint64_t total, bool total_known)
{
    {
        LockGuard lock(status_lock_);
        moving_ = true;
        figures_ = TransferFigures{0, total, total_known, 0};
        file_start_ = Ticks();
    }
    Progress(0);
}

void RemoteWorker::Moved(std::uint64_t done)
{
    int percent = 0;
    {
        LockGuard lock(status_lock_);
        figures_.done = done;
        if (figures_.total_known) percent = Percent(done, figures_.total);
    }
    Progress(percent);
}

void RemoteWorker::EndFile(JobResult& result, bool arrived, std::uint64_t bytes)
{
    LockGuard lock(status_lock_);
    moving_ = false;
    std::uint64_t elapsed_ms = MillisecondsSince(file_start_);
    if (!arrived) return;
    result.files_moved += 1;
    result.bytes_moved += bytes;
    result.moving_ms += elapsed_ms;
}

bool RemoteWorker::Figures(TransferFigures& figures)
{
    LockGuard lock(status_lock_);
    if (moving_) {
        figures = figures_;
        figures.elapsed_ms = MillisecondsSince(file_start_);
    }
    return moving_;
}

void RemoteWorker::AddFailure(JobResult& result, const std::string& what)
{
    result.ok = false;
    result.failures.push_back(what);
}

bool RemoteWorker::LogIn(JobResult& result)
{
    Status(options_.host + " に接続しています...");
    bool opened = session_.Open(options_.host);
    // "--encoding auto": names in UTF-8 exactly when the server took OPTS UTF8 ON.
    if (opened && options_.offer_utf8) {
        options_.encoding = session_.utf8_names() ? WireEncoding::kUtf8 : WireEncoding::kShiftJis;
    }
    if (!opened || !session_.Login(options_.user, options_.password) || !session_.SetBinary(true)) {
        if (!cancel_) AddFailure(result, "接続できません: " + session_.ErrorText());
        session_.Close();
        return false;
    }
    return true;
}

bool RemoteWorker::Connect(JobResult& result)
{
    if (!LogIn(result)) return false;
    std::string target;
    if (options_.has_remote_dir && !options_.remote_dir.empty()) {
        target = ToWireName(options_.remote_dir, options_.encoding);
    }
    bool moved = !target.empty() && session_.ChangeDirectory(target);
    if (!target.empty() && !moved) {
        // The login folder is still worth showing; the user learns why.
        if (!session_.IsOpen()) {
            AddFailure(result, "接続が切れました: " + session_.ErrorText());
            return false;
        }
        AddFailure(result, "フォルダー " + ToShownName(target, options_.encoding) + " に移動できません: " +
                               session_.ErrorText());
    }
    // A PWD that cannot be read leaves the folder the CWD went to: spelt as
    // it was, it reaches the same folder from the login folder, where every
    // reconnect begins. Without a CWD, the login folder (empty).
    std::string where;
    remote_path_ = session_.PrintDirectory(where) ? where : moved ? target : std::string();
    if (!session_.IsOpen()) {
        AddFailure(result, "接続が切れました: " + session_.ErrorText());
        return false;
    }
    folder_known_ = true;
    return true;
}

bool RemoteWorker::Reconnect(JobResult& result)
{
    not_back_.clear();
    session_.Close();
    if (!LogIn(result) || remote_path_.empty()) return session_.IsOpen();
    // Back in the folder shown, or nothing is done: the names the user
    // chose are that folder's, and a namesake in the login folder would be
    // deleted, overwritten or fetched in their place. The CWD must work;
    // a PWD that can be read must name the folder (one refused or without
    // a path leaves the CWD's word alone).
    std::string why;
    std::string where;
    if (!session_.ChangeDirectory(remote_path_)) {
        why = session_.ErrorText();
    } else if (session_.PrintDirectory(where)) {
        if (where != remote_path_) {
            why = "サーバーの現在のフォルダーは " + ToShownName(where, options_.encoding) + " です";
        }
    } else if (!session_.IsOpen()) {
        why = session_.ErrorText();
    }
    if (why.empty()) return true;
    session_.Close();
    not_back_ = "接続し直しましたが、フォルダー " + ToShownName(remote_path_, options_.encoding) +
                " に戻れないため何もしていません（" + why + "）。";
    return false;
}

bool RemoteWorker::EnsureConnected(JobResult& result)
{
    if (session_.IsOpen()) return true;
    return folder_known_ ? Reconnect(result) : Connect(result);
}

bool RemoteWorker::WithReconnect(JobResult& result, const std::function<bool()>& step)
{
    if (!EnsureConnected(result)) return false;
    if (step()) return true;
    FtpError error = session_.error();
    if (error != FtpError::kConnectionLost && error != FtpError::kNotConnected) return false;
    return Reconnect(result) && step();
}

std::string RemoteWorker::WhyFailed() const { return not_back_.empty() ? session_.ErrorText() : not_back_; }

bool RemoteWorker::List(JobResult& result)
{
    FolderListing folder;
    if (!WithReconnect(result, [&] { return ReadFolder(session_, folder); })) {
        if (!cancel_) AddFailure(result, "一覧を取得できません: " + WhyFailed());
        return false;
    }
    result.has_listing = true;
    result.remote_path = ToShownName(remote_path_, options_.encoding);
    for (FolderEntry& listed : folder.entries) {
        RemoteEntry entry;
        entry.shown = ToShownName(listed.name, options_.encoding);
        entry.wire = std::move(listed.name);
        entry.is_directory = listed.is_directory;
        entry.size = listed.size;
        entry.size_known = listed.size_known;
        entry.modified = std::move(listed.modified);
        result.entries.push_back(std::move(entry));
    }
    return true;
}

void RemoteWorker::Upload(const UploadFile& file, std::size_t index, std::size_t count, JobResult& result)
{
    const std::string& name = file.name;
    std::string path = file.folder + name;
    std::uint64_t total = LocalFileSize(path).value_or(0);
    Status("アップロード中 (" + std::to_string(index + 1) + "/" + std::to_string(count) + "): " + name);
    BeginFile(total, true);
    std::uint64_t bytes = 0;
    auto progress = [&](std::uint64_t done) { Moved(done); };
    std::string wire = ToWireName(name, options_.encoding);
    bool touched = false;  // by any try: a reconnect tries again
    bool stored = WithReconnect(result, [&] {
        bool ok = session_.Store(path, wire, progress, bytes);
        touched = touched || session_.store_reached_server();
        return ok;
    });
    EndFile(result, stored, bytes);
    if (stored) return;
    bool stopped = session_.error() == FtpError::kCancelled;
    std::string failure = stopped ? std::string() : name + ": " + WhyFailed();
    // A closing window waits for no server: the server keeps what it got
    // under the file's name (it saw the data connection reset).
    if (!touched || abandon_) {
        if (!failure.empty()) AddFailure(result, failure);
        return;
    }
    // Once STOR has reached the server, its file of that name is cut or
    // emptied: a machine would take what is left for the program.
    std::string why = RemovePartialUpload(wire, name);
    if (why.empty()) {
        std::string removed = "送り終えていない " + name + " をサーバーから削除しました。";
        AddFailure(result, failure.empty() ? name + ": " + removed : failure + removed);
        result.status = (stopped ? "中止しました。" : "エラーがありました。") + removed;
        return;
    }
    if (!failure.empty()) AddFailure(result, failure);
    std::string left = PathInside(ToShownName(remote_path_, options_.encoding), name);
    AddFailure(result, "サーバーに送り終えていないファイル " + left + " が残っています（削除できません: " + why +
                           "）。機械で使う前に削除してください。");
    result.status = (stopped ? "中止しました。" : "エラーがありました。") + std::string("サーバーに送り終えていないファイルが残っています。");
}

std::string RemoteWorker::RemovePartialUpload(const std::string& wire, const std::string& name)
{
    Status("送り終えていない " + name + " をサーバーから削除しています...");
    std::string why;
    // Not cut short by the user's stop: this is the stop's own tidy-up.
    session_.TidyUp([&] {
        // The failure may have cost the control connection (a server that
        // never confirmed the upload, a stop during a reply): once more,
        // into the same folder, or the name could be another file.
        if (!session_.IsOpen()) {
            JobResult reconnect;
            if (!Reconnect(reconnect)) {
                why = reconnect.failures.empty() ? WhyFailed() : reconnect.failures.front();
                return false;
            }
        }
        if (!session_.Delete(wire)) why = session_.ErrorText();
        return why.empty();
    });
    return why;
}

void RemoteWorker::Download(const RemoteEntry& entry, std::size_t index, std::size_t count, JobResult& result)
{
    // The name comes from the server: "..\\Vantrel.ini" or "NUL" must not
    // become a local path.
    if (!IsSafeLocalName(entry.shown)) {
        AddFailure(result, entry.shown + ": ローカルのファイル名に使えない名前のため、ダウンロードしません。");
        return;
    }
    Status("ダウンロード中 (" + std::to_string(index + 1) + "/" + std::to_string(count) + "): " + entry.shown);
    BeginFile(entry.size, entry.size_known);
    std::uint64_t bytes = 0;
    std::uint64_t expected = entry.size;
    bool known = entry.size_known;
    auto progress = [&](std::uint64_t done) { Moved(done); };
    std::string path = local_folder_ + entry.shown;
    // A download that ends short of the size the server gives (SIZE now,
    // else the listing) is a failure, even when the server says 226: the
    // local file is then left as it was.
    auto step = [&] {
        std::uint64_t size = 0;
        if (session_.Size(entry.wire, size)) {
            expected = size;
            known = true;
            BeginFile(expected, true);
        } else if (!session_.IsOpen()) {
            return false;
        }
        RetrieveOptions options;
        if (known) options.expected_size = expected;
        return session_.Retrieve(entry.wire, path, progress, bytes, options);
    };
    bool retrieved = WithReconnect(result, step);
    EndFile(result, retrieved, bytes);
    if (retrieved) {
        result.local_changed = true;
    } else if (session_.error() != FtpError::kCancelled) {
        AddFailure(result, entry.shown + ": " + WhyFailed());
    }
}

JobResult RemoteWorker::Run(const Job& job)
{
    JobResult result;
    result.kind = job.kind;
    not_back_.clear();
    switch (job.kind) {
    case JobKind::kConnect:
        session_.Close();
        remote_path_.clear();
        folder_known_ = false;
        if (Connect(result) && !cancel_) List(result);
        break;
    case JobKind::kRefresh:
        List(result);
        break;
    case JobKind::kChangeDirectory: {
        const std::string& target = job.remote_entries.front().wire;
        if (WithReconnect(result, [&] { return session_.ChangeDirectory(target); })) {
            // Where PWD cannot be read (refused, no path in its reply, or
            // the connection lost on it), the folder is the one the CWD went
            // to, for the list and for a reconnect, not the one left.
            std::string where;
            remote_path_ = session_.PrintDirectory(where) ? where : PathInside(remote_path_, target);
        } else if (!cancel_) {
            AddFailure(result, "フォルダーを移動できません: " + WhyFailed());
        }
        if (!cancel_ && not_back_.empty()) List(result);
        break;
    }
    case JobKind::kUpload:
        for (std::size_t i = 0; i < job.local_files.size() && !cancel_; ++i) {
            Upload(job.local_files[i], i, job.local_files.size(), result);
        }
        break;
    case JobKind::kDownload:
        for (std::size_t i = 0; i < job.remote_entries.size() && !cancel_; ++i) {
            Download(job.remote_entries[i], i, job.remote_entries.size(), result);
        }
        break;
    case JobKind::kDeleteRemote:
        for (const RemoteEntry& entry : job.remote_entries) {
            if (cancel_) break;
            Status("削除中: " + entry.shown);
            if (!WithReconnect(result, [&] { return session_.Delete(entry.wire); }) && !cancel_) {
                AddFailure(result, entry.shown + ": " + WhyFailed());
            }
        }
        break;
    }
    // A stopped job ends here: the user asked for no more of the server,
    // and a closing window cannot wait for a listing. Otherwise the server's
    // list is shown as it is now, after a failure too; but not another
    // folder's list under the name of the one the session could not get
    // back to (the old list stays, with its folder).
    if (cancel_) {
        AddFailure(result, "中止しました。");
    } else if ((job.kind == JobKind::kUpload || job.kind == JobKind::kDeleteRemote) && not_back_.empty()) {
        List(result);
    }
    return result;
}
