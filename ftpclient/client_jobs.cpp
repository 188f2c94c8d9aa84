// The worker's jobs as the window sees them: starting one (after its
// questions), hearing the worker while it runs, and showing what it ended
// with. The worker itself is remote_worker.cpp.
#include "ftpclient/client_window_private.h"

#include <algorithm>

#include "ftp/local_name.h"
#include "ftpclient/transfer_text.h"
#include "text/parse.h"

namespace client_window {

namespace {

void ShowRemoteEntries(HWND window)
{
    ClientWindow& state = State(window);
    SYSTEMTIME clock;
    GetLocalTime(&clock);
    RowTime now = ToRowTime(clock);
    state.remote.rows.clear();
    for (const RemoteEntry& entry : state.remote_entries) {
        FileRow row;
        row.name = entry.shown;
        row.is_directory = entry.is_directory;
        row.size = entry.size;
        ParseListingTime(entry.modified, now, row.modified);
        state.remote.rows.push_back(row);
    }
    state.remote.has_parent = !state.remote_path.empty() && state.remote_path != "/";
    FillPane(window, state.remote);
    SetItemText(window, IDC_REMOTE_PATH, state.remote_path.c_str());
}

// The selected remote files (folders and ".." left out).
std::vector<RemoteEntry> SelectedRemoteFiles(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<RemoteEntry> files;
    for (int index : SelectedRows(window, state.remote)) {
        if (!state.remote_entries[index].is_directory) files.push_back(state.remote_entries[index]);
    }
    return files;
}

void SetBusy(HWND window, bool busy)
{
    for (int id : {IDC_UPLOAD, IDC_DOWNLOAD, IDC_DELETE, IDC_REFRESH}) DialogItem(window, id).Enable(!busy);
    DialogItem(window, IDC_STOP).Enable(busy);
    if (busy) Progress(window).SetPos(0);
}

// The status line and the box of a job that has ended.
void ShowResult(HWND window, JobResult& result)
{
    ClientWindow& state = State(window);
    if (result.has_listing) {
        state.remote_entries = std::move(result.entries);
        state.remote_path = result.remote_path;
        ShowRemoteEntries(window);
    }
    if (result.local_changed) ReadLocalFolder(window);
    if (!result.ok) {
        SetStatus(window, result.status.empty() ? "エラーがありました。" : result.status);
        MessageBoxA(window, BoxListText("", result.failures).c_str(), kClientCaption, MB_OK | MB_ICONERROR);
        return;
    }
    Progress(window).SetPos(100);
    switch (result.kind) {
    case JobKind::kUpload:
        SetStatus(window, "完了: アップロードしました。  " +
                              TransferSummaryText(result.files_moved, result.bytes_moved, result.moving_ms));
        break;
    case JobKind::kDownload:
        SetStatus(window, "完了: ダウンロードしました。  " +
                              TransferSummaryText(result.files_moved, result.bytes_moved, result.moving_ms));
        break;
    case JobKind::kDeleteRemote:
        SetStatus(window, "完了: サーバーのファイルを削除しました。");
        break;
    case JobKind::kConnect:
    case JobKind::kRefresh:
    case JobKind::kChangeDirectory: {
        // A refused wait setting stays in view after each listing until it is mended.
        std::string notice = state.worker->timeout_notice();
        std::replace(notice.begin(), notice.end(), '\n', ' ');
        SetStatus(window, "完了: サーバーのファイル " + std::to_string(state.remote_entries.size()) + " 件" +
                              (notice.empty() ? "" : "  " + notice));
        break;
    }
    }
}

}  // namespace

void StartJob(HWND window, Job job)
{
    ClientWindow& state = State(window);
    job.local_folder = state.local_folder;
    if (state.worker->Start(std::move(job))) {
        SetBusy(window, true);
        SetTimer(window, kJobTimer, kJobTimerMs, nullptr);
    } else {
        MessageBoxA(window, "作業を開始できません。", kClientCaption, MB_OK | MB_ICONERROR);
    }
}

bool Confirm(HWND window, const std::string& text)
{
    return MessageBoxA(window, text.c_str(), kClientCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The one way an upload starts, from the local pane's rows or from files
// dropped on the server pane: the same question, the same job.
void StartUpload(HWND window, std::vector<UploadFile> files)
{
    ClientWindow& state = State(window);
    // The files that the upload replaces: a folder of that name is not
    // replaced (the server refuses), and "o1234.nc" replaces "O1234.NC" on a
    // Windows server, as it would here.
    int existing = 0;
    for (const UploadFile& file : files) {
        existing += std::any_of(state.remote_entries.begin(), state.remote_entries.end(), [&](const RemoteEntry& entry) {
            return !entry.is_directory && EqualsIgnoreAsciiCase(entry.shown, file.name);
        }) ? 1 : 0;
    }
    if (existing > 0 && !Confirm(window, "サーバーにある同じ名前のファイル " + std::to_string(existing) + " 件を上書きしますか？")) {
        return;
    }
    Job job;
    job.kind = JobKind::kUpload;
    job.local_files = std::move(files);
    StartJob(window, std::move(job));
}

void Upload(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<UploadFile> files;
    for (const std::string& name : SelectedLocalFiles(window)) files.push_back(UploadFile{state.local_folder, name});
    if (files.empty()) {
        MessageBoxA(window, "アップロードするファイルを左の一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    StartUpload(window, std::move(files));
}

namespace {

// A job of `kind` on the server files selected; with none, `none_selected`
// in a box and false.
bool JobOnSelectedRemoteFiles(HWND window, JobKind kind, const char* none_selected, Job& job)
{
    job.kind = kind;
    job.remote_entries = SelectedRemoteFiles(window);
    if (!job.remote_entries.empty()) return true;
    MessageBoxA(window, none_selected, kClientCaption, MB_OK | MB_ICONINFORMATION);
    return false;
}

}  // namespace

void Download(HWND window)
{
    ClientWindow& state = State(window);
    Job job;
    if (!JobOnSelectedRemoteFiles(window, JobKind::kDownload, "ダウンロードするファイルを右の一覧で選んでください。", job)) return;
    // A name the worker will refuse is neither looked up nor counted: ..\evil would
    // otherwise ask about a file beside the local folder that is never touched.
    // The file system finds the name in any letter case; a folder of that
    // name is not overwritten (the download fails), so it is not counted.
    int existing = 0;
    for (const RemoteEntry& entry : job.remote_entries) {
        DWORD attributes = IsSafeLocalName(entry.shown) ? GetFileAttributesA((state.local_folder + entry.shown).c_str())
                                                        : INVALID_FILE_ATTRIBUTES;
        existing += attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
    }
    if (existing > 0 && !Confirm(window, "ローカルにある同じ名前のファイル " + std::to_string(existing) + " 件を上書きしますか？")) {
        return;
    }
    StartJob(window, std::move(job));
}

void Delete(HWND window)
{
    if (State(window).last_focused_list == IDC_LOCAL_LIST) {
        DeleteLocalFiles(window);
        return;
    }
    Job job;
    if (!JobOnSelectedRemoteFiles(window, JobKind::kDeleteRemote, "削除するファイルを一覧で選んでください。", job)) return;
    std::string text = "サーバーのファイル " + job.remote_entries.front().shown +
                       (job.remote_entries.size() > 1 ? " ほか " + std::to_string(job.remote_entries.size() - 1) + " 件" : "") +
                       " を削除しますか？";
    if (Confirm(window, text)) StartJob(window, std::move(job));
}

void Refresh(HWND window)
{
    ReadLocalFolder(window);
    Job job;
    job.kind = JobKind::kRefresh;
    StartJob(window, std::move(job));
}

// 【中止】: the job ends at its next wait and lists nothing after.
void StopJob(HWND window)
{
    State(window).worker->Cancel();
    SetStatus(window, "中止しています...");
}

void ChangeRemoteFolder(HWND window, const RemoteEntry& target)
{
    if (State(window).worker->busy()) return;
    Job job;
    job.kind = JobKind::kChangeDirectory;
    job.remote_entries.push_back(target);
    StartJob(window, std::move(job));
}

// What the worker has to say, once it has said it (a nudge or the timer):
// the status line, the percentage and, once the job has ended, its result.
// The figures of a moving file come on the timer only, so that the line
// changes at most a few times a second however fast the blocks go.
void HearWorker(HWND window, bool tick)
{
    ClientWindow& state = State(window);
    bool changed = state.worker->TakeStatus(state.job_status);
    TransferFigures figures;
    if (tick && state.worker->Figures(figures)) {
        SetStatus(window, state.job_status + "  " + TransferProgressText(figures));
    } else if (changed) {
        SetStatus(window, state.job_status);
    }
    if (state.worker->busy()) Progress(window).SetPos(state.worker->percent());
    JobResult result;
    if (!state.worker->TakeResult(result)) return;
    KillTimer(window, kJobTimer);
    SetBusy(window, false);
    ShowResult(window, result);
}

}  // namespace client_window
