#include "ftpclient/client_window.h"

#include <commctrl.h>

#include "ftpclient/ids.h"

namespace {

ClientWindow& State(HWND window) { return *reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(window, DWLP_USER)); }

LRESULT Send(HWND window, int id, UINT message, WPARAM w = 0, LPARAM l = 0)
{
    return SendDlgItemMessageA(window, id, message, w, l);
}

void SetStatus(HWND window, const std::string& text) { SetDlgItemTextA(window, IDC_STATUS, text.c_str()); }

std::string SizeText(std::uint64_t size) { return std::to_string(size); }

void FillLocalList(HWND window)
{
    ClientWindow& state = State(window);
    state.local_names.clear();
    Send(window, IDC_LOCAL_LIST, LB_RESETCONTENT);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((state.local_folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
            std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            std::string line = std::string(found.cFileName) + "\t" + SizeText(size);
            Send(window, IDC_LOCAL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            state.local_names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
}

void FillRemoteList(HWND window)
{
    ClientWindow& state = State(window);
    Send(window, IDC_REMOTE_LIST, LB_RESETCONTENT);
    state.remote_has_parent = !state.remote_path.empty() && state.remote_path != "/";
    if (state.remote_has_parent) Send(window, IDC_REMOTE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(".."));
    for (const RemoteEntry& entry : state.remote_entries) {
        std::string line = entry.shown + "\t" + (entry.is_directory ? "<DIR>" : SizeText(entry.size)) + "\t" +
                           entry.modified;
        Send(window, IDC_REMOTE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SetDlgItemTextA(window, IDC_REMOTE_PATH, state.remote_path.c_str());
}

std::vector<int> SelectedRows(HWND window, int list)
{
    int count = static_cast<int>(Send(window, list, LB_GETSELCOUNT));
    std::vector<int> rows(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0) Send(window, list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rows.data()));
    return rows;
}

// The selected remote files (directories and ".." left out).
std::vector<RemoteEntry> SelectedRemoteFiles(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<RemoteEntry> files;
    for (int row : SelectedRows(window, IDC_REMOTE_LIST)) {
        int index = row - (state.remote_has_parent ? 1 : 0);
        if (index < 0 || index >= static_cast<int>(state.remote_entries.size())) continue;
        if (!state.remote_entries[index].is_directory) files.push_back(state.remote_entries[index]);
    }
    return files;
}

std::vector<std::string> SelectedLocalFiles(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<std::string> names;
    for (int row : SelectedRows(window, IDC_LOCAL_LIST)) {
        if (row >= 0 && row < static_cast<int>(state.local_names.size())) names.push_back(state.local_names[row]);
    }
    return names;
}

void SetBusy(HWND window, bool busy)
{
    for (int id : {IDC_UPLOAD, IDC_DOWNLOAD, IDC_DELETE, IDC_REFRESH}) EnableWindow(GetDlgItem(window, id), !busy);
    EnableWindow(GetDlgItem(window, IDC_STOP), busy);
    if (busy) Send(window, IDC_PROGRESS, PBM_SETPOS, 0);
}

void StartJob(HWND window, Job job)
{
    ClientWindow& state = State(window);
    if (state.worker->Start(std::move(job))) {
        SetBusy(window, true);
    } else {
        MessageBoxA(window, "作業を開始できません。", kClientCaption, MB_OK | MB_ICONERROR);
    }
}

bool Confirm(HWND window, const std::string& text)
{
    return MessageBoxA(window, text.c_str(), kClientCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Upload(HWND window)
{
    ClientWindow& state = State(window);
    Job job;
    job.kind = JobKind::kUpload;
    job.local_names = SelectedLocalFiles(window);
    if (job.local_names.empty()) {
        MessageBoxA(window, "アップロードするファイルを左の一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    int existing = 0;
    for (const std::string& name : job.local_names) {
        for (const RemoteEntry& entry : state.remote_entries) existing += entry.shown == name ? 1 : 0;
    }
    if (existing > 0 && !Confirm(window, "サーバーにある同じ名前のファイル " + std::to_string(existing) + " 件を上書きしますか？")) {
        return;
    }
    StartJob(window, std::move(job));
}

void Download(HWND window)
{
    ClientWindow& state = State(window);
    Job job;
    job.kind = JobKind::kDownload;
    job.remote_entries = SelectedRemoteFiles(window);
    if (job.remote_entries.empty()) {
        MessageBoxA(window, "ダウンロードするファイルを右の一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    int existing = 0;
    for (const RemoteEntry& entry : job.remote_entries) {
        existing += GetFileAttributesA((state.local_folder + entry.shown).c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    }
    if (existing > 0 && !Confirm(window, "ローカルにある同じ名前のファイル " + std::to_string(existing) + " 件を上書きしますか？")) {
        return;
    }
    StartJob(window, std::move(job));
}

void Delete(HWND window)
{
    ClientWindow& state = State(window);
    if (state.last_focused_list == IDC_LOCAL_LIST) {
        std::vector<std::string> names = SelectedLocalFiles(window);
        if (names.empty() || !Confirm(window, "ローカルのファイル " + names.front() +
                                                  (names.size() > 1 ? " ほか " + std::to_string(names.size() - 1) + " 件" : "") +
                                                  " を削除しますか？")) {
            return;
        }
        std::string failures;
        for (const std::string& name : names) {
            if (!DeleteFileA((state.local_folder + name).c_str())) failures += name + "\n";
        }
        FillLocalList(window);
        if (!failures.empty()) {
            MessageBoxA(window, ("削除できませんでした:\n" + failures).c_str(), kClientCaption, MB_OK | MB_ICONERROR);
        }
        SetStatus(window, "完了: ローカルのファイルを削除しました。");
        return;
    }
    Job job;
    job.kind = JobKind::kDeleteRemote;
    job.remote_entries = SelectedRemoteFiles(window);
    if (job.remote_entries.empty()) {
        MessageBoxA(window, "削除するファイルを一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::string text = "サーバーのファイル " + job.remote_entries.front().shown +
                       (job.remote_entries.size() > 1 ? " ほか " + std::to_string(job.remote_entries.size() - 1) + " 件" : "") +
                       " を削除しますか？";
    if (Confirm(window, text)) StartJob(window, std::move(job));
}

void OpenRemoteRow(HWND window)
{
    ClientWindow& state = State(window);
    int row = static_cast<int>(Send(window, IDC_REMOTE_LIST, LB_GETCARETINDEX));
    Job job;
    job.kind = JobKind::kChangeDirectory;
    if (state.remote_has_parent && row == 0) {
        RemoteEntry parent;
        parent.wire = "..";
        job.remote_entries.push_back(parent);
    } else {
        int index = row - (state.remote_has_parent ? 1 : 0);
        if (index < 0 || index >= static_cast<int>(state.remote_entries.size()) ||
            !state.remote_entries[index].is_directory) {
            return;
        }
        job.remote_entries.push_back(state.remote_entries[index]);
    }
    StartJob(window, std::move(job));
}

void JobDone(HWND window, JobResult* raw)
{
    std::unique_ptr<JobResult> result(raw);
    ClientWindow& state = State(window);
    state.worker->Finished();
    SetBusy(window, false);
    if (result->has_listing) {
        state.remote_entries = std::move(result->entries);
        state.remote_path = result->remote_path;
        FillRemoteList(window);
    }
    if (result->local_changed) FillLocalList(window);
    if (!result->ok) {
        SetStatus(window, "エラーがありました。");
        MessageBoxA(window, result->message.c_str(), kClientCaption, MB_OK | MB_ICONERROR);
        return;
    }
    Send(window, IDC_PROGRESS, PBM_SETPOS, 100);
    switch (result->kind) {
    case JobKind::kUpload:
        SetStatus(window, "完了: アップロードしました。");
        break;
    case JobKind::kDownload:
        SetStatus(window, "完了: ダウンロードしました。");
        break;
    case JobKind::kDeleteRemote:
        SetStatus(window, "完了: サーバーのファイルを削除しました。");
        break;
    default:
        SetStatus(window, "完了: サーバーのファイル " + std::to_string(state.remote_entries.size()) + " 件");
        break;
    }
}

void Initialise(HWND window, ClientWindow* state)
{
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_CLIENT));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    std::string server = "接続先: " + state->options.host + "  ユーザー: " + state->options.user + "  文字コード: " +
                         (state->options.encoding == WireEncoding::kUtf8 ? "UTF-8" : "Shift-JIS");
    SetDlgItemTextA(window, IDC_SERVER_LABEL, server.c_str());
    SetDlgItemTextA(window, IDC_LOCAL_PATH, state->local_folder.c_str());
    int tab_stops[] = {100, 145};
    for (int list : {IDC_LOCAL_LIST, IDC_REMOTE_LIST}) {
        Send(window, list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tab_stops));
        Send(window, list, LB_SETHORIZONTALEXTENT, 600);
    }
    Send(window, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    state->worker = std::make_unique<RemoteWorker>(state->options, state->local_folder, window);
    FillLocalList(window);
    Job job;
    job.kind = JobKind::kConnect;
    StartJob(window, std::move(job));
}

void Close(HWND window)
{
    ClientWindow& state = State(window);
    SetStatus(window, "終了しています...");
    state.worker->Shutdown();
    // Results the worker posted before it ended are dropped with the window.
    MSG pending;
    while (PeekMessageA(&pending, window, kStatusMessage, kJobDoneMessage, PM_REMOVE)) {
        if (pending.message == kStatusMessage) delete reinterpret_cast<std::string*>(pending.lParam);
        if (pending.message == kJobDoneMessage) delete reinterpret_cast<JobResult*>(pending.lParam);
    }
    DestroyWindow(window);
}

}  // namespace

INT_PTR CALLBACK ClientDialogProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_INITDIALOG:
        Initialise(window, reinterpret_cast<ClientWindow*>(l));
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(w);
        int code = HIWORD(w);
        if ((id == IDC_LOCAL_LIST || id == IDC_REMOTE_LIST) && code == LBN_SETFOCUS) State(window).last_focused_list = id;
        if (id == IDC_REMOTE_LIST && code == LBN_DBLCLK && !State(window).worker->busy()) OpenRemoteRow(window);
        if (code != BN_CLICKED) return FALSE;
        // Buttons are disabled while a job runs; a command posted meanwhile is ignored too.
        bool busy = State(window).worker->busy();
        switch (id) {
        case IDC_UPLOAD:
            if (!busy) Upload(window);
            return TRUE;
        case IDC_DOWNLOAD:
            if (!busy) Download(window);
            return TRUE;
        case IDC_DELETE:
            if (!busy) Delete(window);
            return TRUE;
        case IDC_REFRESH:
            if (!busy) {
                FillLocalList(window);
                Job job;
                job.kind = JobKind::kRefresh;
                StartJob(window, std::move(job));
            }
            return TRUE;
        case IDC_STOP:
            State(window).worker->Cancel();
            SetStatus(window, "中止しています...");
            return TRUE;
        case IDCANCEL:
            Close(window);
            return TRUE;
        }
        return FALSE;
    }
    case kProgressMessage:
        Send(window, IDC_PROGRESS, PBM_SETPOS, w);
        return TRUE;
    case kStatusMessage: {
        std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(l));
        SetStatus(window, *text);
        return TRUE;
    }
    case kJobDoneMessage:
        JobDone(window, reinterpret_cast<JobResult*>(l));
        return TRUE;
    case WM_CLOSE:
        Close(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}
