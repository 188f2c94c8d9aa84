#include "ftpclient/client_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <set>

#include "ftpclient/client_layout.h"
#include "ftpclient/copy_cursor.h"
#include "ftpclient/ids.h"
#include "ftpclient/transfer_text.h"
#include "ftp/local_name.h"
#include "platform/controls.h"
#include "text/sjis.h"

namespace {

ClientWindow& State(HWND window) { return *reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(window, DWLP_USER)); }

ListView List(HWND window, int id) { return ListView(GetDlgItem(window, id)); }

Pane& PaneOf(ClientWindow& state, int list_id) { return list_id == IDC_LOCAL_LIST ? state.local : state.remote; }

void SetStatus(HWND window, const std::string& text) { SetItemText(window, IDC_STATUS, text.c_str()); }

ProgressBar Progress(HWND window) { return ProgressBar(GetDlgItem(window, IDC_PROGRESS)); }

constexpr const char* kColumnTitles[] = {"名前", "サイズ", "更新日時", "種類"};
constexpr int kColumnWidths[] = {60, 40, 72, 56};  // dialog units
constexpr int kParentParam = -1;
// How long closing waits for the worker to let go of a running job.
constexpr DWORD kCloseWaitMs = 500;
const LPCSTR kNoDropCursor = MAKEINTRESOURCEA(32648);  // IDC_NO

void ShowSortMark(HWND window, const Pane& pane)
{
    ListView list = List(window, pane.list_id);
    for (int column = 0; column < 4; ++column) {
        std::string title = kColumnTitles[column];
        if (static_cast<int>(pane.order.column) == column) title += pane.order.descending ? " ▼" : " ▲";
        list.SetColumnTitle(column, title.c_str());
    }
}

// The name column takes the width the pane has beyond the other columns,
// never less than its own: a larger window shows longer names whole.
void FitNameColumns(HWND window)
{
    RECT name_width{0, 0, kColumnWidths[0], 0};
    MapDialogRect(window, &name_width);
    for (int id : {IDC_LOCAL_LIST, IDC_REMOTE_LIST}) {
        ListView list = List(window, id);
        RECT inside;
        GetClientRect(list.hwnd(), &inside);
        int width = inside.right;
        // Room for the vertical scroll bar before it shows.
        if ((GetWindowLongA(list.hwnd(), GWL_STYLE) & WS_VSCROLL) == 0) width -= GetSystemMetrics(SM_CXVSCROLL);
        for (int column = 1; column < 4; ++column) width -= list.GetColumnWidth(column);
        list.SetColumnWidth(0, std::max<int>(width, name_width.right));
    }
}

// Rows of the pane in its order; the rows whose indexes are in `selected` stay
// selected. The list only learns how many there are: one message, whatever
// their number.
void FillPane(HWND window, Pane& pane, const std::vector<int>& selected = {})
{
    ListView list = List(window, pane.list_id);
    pane.shown.clear();
    pane.shown.reserve(pane.rows.size() + 1);
    if (pane.has_parent) pane.shown.push_back(kParentParam);
    for (std::size_t index : SortedRows(pane.rows, pane.order)) pane.shown.push_back(static_cast<int>(index));
    list.DeleteAllItems();
    list.SetItemCount(static_cast<int>(pane.shown.size()));
    if (!selected.empty()) {
        std::vector<bool> wanted(pane.rows.size());
        for (int index : selected) wanted[static_cast<std::size_t>(index)] = true;
        for (std::size_t item = 0; item < pane.shown.size(); ++item) {
            if (pane.shown[item] >= 0 && wanted[static_cast<std::size_t>(pane.shown[item])]) {
                list.SetItemState(static_cast<int>(item), LVIS_SELECTED, LVIS_SELECTED);
            }
        }
    }
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
}

// The row an item of the list shows: its index, kParentParam for "..", or -2
// for no item.
int RowOfItem(const Pane& pane, int item)
{
    if (item < 0 || static_cast<std::size_t>(item) >= pane.shown.size()) return -2;
    int index = pane.shown[static_cast<std::size_t>(item)];
    return index < static_cast<int>(pane.rows.size()) ? index : -2;
}

// Indexes of the selected rows (".." left out).
std::vector<int> SelectedRows(HWND window, const Pane& pane)
{
    ListView list = List(window, pane.list_id);
    std::vector<int> rows;
    for (int item = list.GetNextItem(-1, LVNI_SELECTED); item >= 0; item = list.GetNextItem(item, LVNI_SELECTED)) {
        int index = RowOfItem(pane, item);
        if (index >= 0) rows.push_back(index);
    }
    return rows;
}

// The text of one cell, for the list's LVN_GETDISPINFO.
void CellText(const Pane& pane, NMLVDISPINFOA& request)
{
    LVITEMA& item = request.item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) return;
    int index = RowOfItem(pane, item.iItem);
    std::string text;
    if (index == kParentParam) {
        text = item.iSubItem == 0 ? ".." : "";
    } else if (index >= 0) {
        const FileRow& row = pane.rows[static_cast<std::size_t>(index)];
        switch (item.iSubItem) {
        case 0:
            text = row.name;
            break;
        case 1:
            text = row.is_directory ? "" : GroupedSize(row.size);
            break;
        case 2:
            text = RowTimeText(row.modified);
            break;
        default:
            text = TypeText(row);
            break;
        }
    }
    CopyWholeChars(item.pszText, static_cast<std::size_t>(item.cchTextMax), text.c_str());
}

// Typing in a list finds the next row whose name starts with what was typed
// (LVN_ODFINDITEM); -1 when none does.
int FindRow(const Pane& pane, const NMLVFINDITEMA& request)
{
    const LVFINDINFOA& find = request.lvfi;
    if ((find.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.psz == nullptr || pane.shown.empty()) return -1;
    std::string typed = find.psz;
    std::size_t count = pane.shown.size();
    std::size_t start = request.iStart >= 0 ? static_cast<std::size_t>(request.iStart) % count : 0;
    for (std::size_t step = 0; step < count; ++step) {
        std::size_t item = (start + step) % count;
        if (pane.shown[item] < 0) continue;
        const std::string& name = pane.rows[static_cast<std::size_t>(pane.shown[item])].name;
        bool partial = (find.flags & LVFI_PARTIAL) != 0;
        if (name.size() < typed.size() || (!partial && name.size() != typed.size())) continue;
        if (SameFileName(name.substr(0, typed.size()), typed)) return static_cast<int>(item);
        if ((find.flags & LVFI_WRAP) == 0 && item + 1 == count) break;
    }
    return -1;
}

RowTime ToRowTime(const SYSTEMTIME& time)
{
    RowTime out;
    out.year = time.wYear;
    out.month = time.wMonth;
    out.day = time.wDay;
    out.hour = time.wHour;
    out.minute = time.wMinute;
    return out;
}

RowTime LocalRowTime(const FILETIME& written)
{
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &time)) return RowTime{};
    return ToRowTime(time);
}

void ReadLocalFolder(HWND window)
{
    ClientWindow& state = State(window);
    state.local.rows.clear();
    state.local.has_parent = !ParentFolder(state.local_folder).empty();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((state.local_folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            FileRow row;
            row.name = name;
            row.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            row.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            row.modified = LocalRowTime(found.ftLastWriteTime);
            state.local.rows.push_back(row);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SetItemText(window, IDC_LOCAL_PATH, state.local_folder.c_str());
    FillPane(window, state.local);
}

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

std::vector<std::string> SelectedLocalFiles(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<std::string> names;
    for (int index : SelectedRows(window, state.local)) {
        if (!state.local.rows[index].is_directory) names.push_back(state.local.rows[index].name);
    }
    return names;
}

void SetBusy(HWND window, bool busy)
{
    for (int id : {IDC_UPLOAD, IDC_DOWNLOAD, IDC_DELETE, IDC_REFRESH}) DialogItem(window, id).Enable(!busy);
    DialogItem(window, IDC_STOP).Enable(busy);
    if (busy) Progress(window).SetPos(0);
}

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
            return !entry.is_directory && SameFileName(entry.shown, file.name);
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
    ClientWindow& state = State(window);
    if (state.last_focused_list == IDC_LOCAL_LIST) {
        std::vector<std::string> names = SelectedLocalFiles(window);
        if (names.empty()) {
            MessageBoxA(window, "削除するファイルを一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
            return;
        }
        std::string more = names.size() > 1 ? " ほか " + std::to_string(names.size() - 1) + " 件" : "";
        if (!Confirm(window, "ローカルのファイル " + names.front() + more + " を削除しますか？")) return;
        std::string failures;
        for (const std::string& name : names) {
            if (!DeleteFileA((state.local_folder + name).c_str())) failures += "\n" + name;
        }
        ReadLocalFolder(window);
        if (!failures.empty()) {
            SetStatus(window, "エラーがありました。");
            MessageBoxA(window, ("削除できませんでした:" + failures).c_str(), kClientCaption, MB_OK | MB_ICONERROR);
            return;
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

void Refresh(HWND window)
{
    ReadLocalFolder(window);
    Job job;
    job.kind = JobKind::kRefresh;
    StartJob(window, std::move(job));
}

void ChangeRemoteFolder(HWND window, const RemoteEntry& target)
{
    if (State(window).worker->busy()) return;
    Job job;
    job.kind = JobKind::kChangeDirectory;
    job.remote_entries.push_back(target);
    StartJob(window, std::move(job));
}

void GoUp(HWND window, int list_id)
{
    ClientWindow& state = State(window);
    if (!PaneOf(state, list_id).has_parent) return;
    if (list_id == IDC_LOCAL_LIST) {
        state.local_folder = ParentFolder(state.local_folder);
        ReadLocalFolder(window);
        return;
    }
    RemoteEntry parent;
    parent.wire = "..";
    ChangeRemoteFolder(window, parent);
}

// The focused row of a pane: ".." goes up, a folder opens; a file does nothing.
void OpenRow(HWND window, int list_id)
{
    ClientWindow& state = State(window);
    Pane& pane = PaneOf(state, list_id);
    ListView list = List(window, list_id);
    int index = RowOfItem(pane, list.GetNextItem(-1, LVNI_FOCUSED));
    if (index == kParentParam) {
        GoUp(window, list_id);
        return;
    }
    if (index < 0 || !pane.rows[static_cast<std::size_t>(index)].is_directory) return;
    if (list_id == IDC_LOCAL_LIST) {
        state.local_folder += pane.rows[index].name + "\\";
        ReadLocalFolder(window);
    } else {
        ChangeRemoteFolder(window, state.remote_entries[index]);
    }
}

void SelectAll(HWND window, int list_id)
{
    ListView list = List(window, list_id);
    list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    if (PaneOf(State(window), list_id).has_parent) list.SetItemState(0, 0, LVIS_SELECTED);
}

void SortBy(HWND window, int list_id, int column)
{
    Pane& pane = PaneOf(State(window), list_id);
    std::vector<int> selected = SelectedRows(window, pane);
    pane.order = ClickedOrder(pane.order, static_cast<SortColumn>(column));
    ShowSortMark(window, pane);
    FillPane(window, pane, selected);
}

// The focused pane's id, or 0 when the focus is elsewhere.
int FocusedPane(HWND window)
{
    HWND focus = GetFocus();
    for (int id : {IDC_LOCAL_LIST, IDC_REMOTE_LIST}) {
        if (focus == GetDlgItem(window, id)) return id;
    }
    return 0;
}

// Enter and Tab come as commands of the key table; away from the panes they
// do what they do in any dialog.
void EnterKey(HWND window)
{
    if (int pane = FocusedPane(window)) {
        OpenRow(window, pane);
        return;
    }
    HWND focus = GetFocus();
    int id = GetDlgCtrlID(focus);
    if (focus != nullptr && IsChild(window, focus) && IsWindowEnabled(focus) && id > 0) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    }
}

void TabKey(HWND window)
{
    bool backwards = GetKeyState(VK_SHIFT) < 0;
    int pane = FocusedPane(window);
    if (pane == 0) {
        PostMessageA(window, WM_NEXTDLGCTL, backwards ? 1 : 0, FALSE);
        return;
    }
    HWND other = GetDlgItem(window, pane == IDC_LOCAL_LIST ? IDC_REMOTE_LIST : IDC_LOCAL_LIST);
    PostMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(other), TRUE);
}

// ------------------------------------------------------------------
// Files dropped from outside, rows dragged from one pane to the other

// A dropped path as its folder (ending with a backslash) and its last name,
// on whole characters (the trail byte of 表 is 5C); the name is empty for
// the root of a drive or share.
void SplitDroppedPath(const std::string& path, std::string& folder, std::string& name)
{
    folder = ParentFolder(path + "\\");
    if (folder.empty()) {  // \\server\share
        folder = path + "\\";
        name.clear();
        return;
    }
    name = path.substr(folder.size());
}

void RefuseWhileBusy(HWND window)
{
    MessageBoxA(window,
                "転送などの作業中のため、ドロップを受け付けませんでした。作業が終わってから、もう一度ドロップしてください。",
                kClientCaption, MB_OK | MB_ICONWARNING);
}

// Dropped on the server pane: the files are uploaded to the folder shown,
// exactly as the same files selected in the local pane would be. Each goes
// under its own name from its own folder; what cannot go is named first.
void UploadDropped(HWND window, const std::vector<std::string>& paths)
{
    if (State(window).worker->busy()) {
        RefuseWhileBusy(window);
        return;
    }
    std::vector<UploadFile> files;
    std::vector<std::string> refused;
    for (const std::string& path : paths) {
        UploadFile file;
        SplitDroppedPath(path, file.folder, file.name);
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            refused.push_back(path + ": 見つかりません。");
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || file.name.empty()) {
            refused.push_back(path + ": フォルダーはアップロードできません。");
        } else {
            files.push_back(file);
        }
    }
    // Two files of one name from two folders would be one file on the
    // server, the second over the first: neither goes.
    std::vector<std::string> names;
    for (const UploadFile& file : files) names.push_back(file.name);
    std::vector<bool> repeated = RepeatedNames(names);
    std::vector<UploadFile> single;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (repeated[i]) {
            refused.push_back(files[i].folder + files[i].name + ": 同じ名前のファイルがほかにもドロップされています。");
        } else {
            single.push_back(std::move(files[i]));
        }
    }
    if (!refused.empty()) {
        SetStatus(window, single.empty() ? "ドロップされたものはアップロードしませんでした。"
                                         : "ドロップされたもののうち、アップロードしないものがあります。");
        // A box that fits on the screen: its button stays within reach.
        constexpr std::size_t kLongestList = 20;
        std::string text = "次のものはアップロードしません:";
        for (std::size_t i = 0; i < refused.size() && i < kLongestList; ++i) text += "\n" + refused[i];
        if (refused.size() > kLongestList) text += "\nほか " + std::to_string(refused.size() - kLongestList) + " 件";
        MessageBoxA(window, text.c_str(), kClientCaption, MB_OK | MB_ICONWARNING);
    }
    if (!single.empty()) StartUpload(window, std::move(single));
}

// Dropped on the local pane nothing is copied: the pane opens the folder of
// the first dropped file, with the dropped files of that folder selected
// (【アップロード】 then sends them), or the first dropped folder itself.
void OpenDroppedFolder(HWND window, const std::vector<std::string>& paths)
{
    ClientWindow& state = State(window);
    const std::string& first = paths.front();
    DWORD attributes = GetFileAttributesA(first.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetStatus(window, "ドロップされた " + first + " が見つかりません。");
        return;
    }
    std::string folder;
    std::string name;
    SplitDroppedPath(first, folder, name);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !name.empty()) folder += name + "\\";
    state.local_folder = folder;
    ReadLocalFolder(window);
    std::set<std::string> dropped;
    for (const std::string& path : paths) {
        std::string in;
        SplitDroppedPath(path, in, name);
        if (in == folder && !name.empty()) dropped.insert(name);
    }
    std::vector<int> selected;
    for (std::size_t i = 0; i < state.local.rows.size(); ++i) {
        const FileRow& row = state.local.rows[i];
        if (!row.is_directory && dropped.count(row.name) != 0) selected.push_back(static_cast<int>(i));
    }
    if (!selected.empty()) FillPane(window, state.local, selected);
    SetStatus(window, "ローカルのフォルダー " + folder + " を開きました。");
}

// WM_DROPFILES of a pane. The paths are kept and the drop let go at once:
// under Wine the drop's source waits until this returns, and the questions
// of an upload come after.
void TakeDrop(HWND window, int list_id, HDROP handle)
{
    Drop drop;
    drop.list_id = list_id;
    UINT count = DragQueryFileA(handle, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileA(handle, i, nullptr, 0);
        std::string path(length + 1, '\0');
        path.resize(DragQueryFileA(handle, i, path.data(), length + 1));
        if (!path.empty()) drop.paths.push_back(std::move(path));
    }
    DragFinish(handle);
    if (drop.paths.empty()) return;
    State(window).drops.push_back(std::move(drop));
    PostMessageA(window, kDropMessage, 0, 0);
}

// One kept drop a message, in the order they came.
void HandleDrop(HWND window)
{
    ClientWindow& state = State(window);
    if (state.drops.empty()) return;
    Drop drop = std::move(state.drops.front());
    state.drops.erase(state.drops.begin());
    if (drop.list_id == IDC_LOCAL_LIST) {
        OpenDroppedFolder(window, drop.paths);
    } else {
        UploadDropped(window, drop.paths);
    }
}

// The panes take dropped files themselves, so that elsewhere in the window
// the cursor says no drop. Subclassed the classic way (not SetWindowSubclass,
// which the common controls before version 6, this program's, export by
// number only); W calls, so that the list views stay Unicode windows and
// every other message reaches them untouched.
LRESULT CALLBACK PaneProc(HWND list, UINT message, WPARAM w, LPARAM l)
{
    HWND window = GetParent(list);
    if (message == WM_DROPFILES) {
        TakeDrop(window, GetDlgCtrlID(list), reinterpret_cast<HDROP>(w));
        return 0;
    }
    return CallWindowProcW(State(window).list_proc, list, message, w, l);
}

// The other pane when a point of the window's client area lies on it
// during a drag, else 0.
int DragTarget(HWND window, LPARAM point)
{
    ClientWindow& state = State(window);
    POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(window, &at);
    HWND under = WindowFromPoint(at);
    int other = state.drag_from == IDC_LOCAL_LIST ? IDC_REMOTE_LIST : IDC_LOCAL_LIST;
    HWND list = GetDlgItem(window, other);
    return under != nullptr && (under == list || IsChild(list, under)) ? other : 0;
}

// LVN_BEGINDRAG: the window follows the mouse until the button is let go.
void BeginDrag(HWND window, int list_id)
{
    State(window).drag_from = list_id;
    SetCapture(window);
    SetCursor(LoadCursorA(nullptr, kNoDropCursor));
}

void FollowDrag(HWND window, LPARAM point)
{
    ClientWindow& state = State(window);
    SetCursor(DragTarget(window, point) != 0 ? state.copy_cursor : LoadCursorA(nullptr, kNoDropCursor));
}

// Let go on the other pane, the dragged rows go as 【アップロード】 or
// 【ダウンロード】 would send them (the selected rows, the same questions);
// anywhere else nothing happens.
void EndDrag(HWND window, LPARAM point)
{
    ClientWindow& state = State(window);
    int from = state.drag_from;
    int target = DragTarget(window, point);
    ReleaseCapture();  // the drag ends on WM_CAPTURECHANGED
    if (target == 0) return;
    if (state.worker->busy()) {
        RefuseWhileBusy(window);
    } else if (from == IDC_LOCAL_LIST) {
        Upload(window);
    } else {
        Download(window);
    }
}

// The pane a key means: the focused one, else the one last focused.
int KeyPane(HWND window)
{
    int pane = FocusedPane(window);
    return pane != 0 ? pane : State(window).last_focused_list;
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
    if (result.has_listing) {
        state.remote_entries = std::move(result.entries);
        state.remote_path = result.remote_path;
        ShowRemoteEntries(window);
    }
    if (result.local_changed) ReadLocalFolder(window);
    if (!result.ok) {
        SetStatus(window, result.status.empty() ? "エラーがありました。" : result.status);
        MessageBoxA(window, result.message.c_str(), kClientCaption, MB_OK | MB_ICONERROR);
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
    default: {
        // A refused wait setting stays in view after each listing until it is mended.
        std::string notice = state.worker->timeout_notice();
        std::replace(notice.begin(), notice.end(), '\n', ' ');
        SetStatus(window, "完了: サーバーのファイル " + std::to_string(state.remote_entries.size()) + " 件" +
                              (notice.empty() ? "" : "  " + notice));
        break;
    }
    }
}

void Initialise(HWND window, ClientWindow* state)
{
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_CLIENT));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    std::string server = "接続先: " + state->options.host + "  ユーザー: " + state->options.user + "  文字コード: " +
                         (state->options.offer_utf8                         ? "自動 (OPTS UTF8 ON)"
                          : state->options.encoding == WireEncoding::kUtf8 ? "UTF-8"
                                                                           : "Shift-JIS");
    SetItemText(window, IDC_SERVER_LABEL, server.c_str());
    state->local.list_id = IDC_LOCAL_LIST;
    state->remote.list_id = IDC_REMOTE_LIST;
    for (Pane* pane : {&state->local, &state->remote}) {
        ListView list = List(window, pane->list_id);
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        for (int column = 0; column < 4; ++column) {
            RECT width{0, 0, kColumnWidths[column], 0};
            MapDialogRect(window, &width);
            list.InsertColumn(column, kColumnTitles[column], width.right, column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT);
        }
        ShowSortMark(window, *pane);
        state->list_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProc)));
        DragAcceptFiles(list.hwnd(), TRUE);
    }
    state->copy_cursor = CreateCopyCursor(instance);
    Progress(window).SetRange(0, 100);
    state->keys = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_CLIENT_KEYS));

    // The template's size is the first, three quarters of it the smallest
    // (the panes still show their columns and the buttons fit between them);
    // a size and place saved by an earlier run come back.
    RECT outer;
    GetWindowRect(window, &outer);
    state->minimum_size = SIZE{(outer.right - outer.left) * 3 / 4, (outer.bottom - outer.top) * 3 / 4};
    state->settings_path = ClientSettingsPath();
    state->start_maximized = RestoreWindowPlace(window, state->settings_path, state->minimum_size);
    LayOutClient(window);
    FitNameColumns(window);

    state->worker = std::make_unique<RemoteWorker>(state->options, window);
    ReadLocalFolder(window);
    Job job;
    job.kind = JobKind::kConnect;
    StartJob(window, std::move(job));
}

// The window closes within a second whatever the worker is doing: a job is
// abandoned, not finished, and no listing follows it.
void Close(HWND window)
{
    ClientWindow& state = State(window);
    SetStatus(window, "終了しています...");
    KillTimer(window, kJobTimer);
    if (!state.worker->Shutdown(kCloseWaitMs)) {
        // Its thread is stuck in a call that no flag reaches. The process
        // ends with the window and takes the thread with it; the worker it
        // uses must outlive it until then.
        static_cast<void>(state.worker.release());
    }
    SaveWindowPlace(window, state.settings_path);
    DestroyWindow(window);
    DestroyCursor(state.copy_cursor);
    state.copy_cursor = nullptr;
}

bool OnCommand(HWND window, int id)
{
    // Buttons are disabled while a job runs; a command posted or keyed meanwhile is ignored too.
    bool busy = State(window).worker->busy();
    switch (id) {
    case IDC_UPLOAD:
        if (!busy) Upload(window);
        return true;
    case IDC_DOWNLOAD:
        if (!busy) Download(window);
        return true;
    case IDC_DELETE:
        if (!busy) Delete(window);
        return true;
    case IDC_REFRESH:
        if (!busy) Refresh(window);
        return true;
    case IDC_STOP:
        State(window).worker->Cancel();
        SetStatus(window, "中止しています...");
        return true;
    case IDC_OPEN:
        EnterKey(window);
        return true;
    case IDC_UP:
        if (int pane = KeyPane(window)) GoUp(window, pane);
        return true;
    case IDC_SELECT_ALL:
        if (int pane = KeyPane(window)) SelectAll(window, pane);
        return true;
    case IDC_OTHER_PANE:
        TabKey(window);
        return true;
    case IDCANCEL:
        Close(window);
        return true;
    }
    return false;
}

bool OnNotify(HWND window, NMHDR& header)
{
    int id = static_cast<int>(header.idFrom);
    if (id != IDC_LOCAL_LIST && id != IDC_REMOTE_LIST) return false;
    switch (header.code) {
    case NM_SETFOCUS:
        State(window).last_focused_list = id;
        return true;
    case NM_DBLCLK:
        OpenRow(window, id);
        return true;
    case LVN_BEGINDRAG:
        BeginDrag(window, id);
        return true;
    case LVN_COLUMNCLICK:
        SortBy(window, id, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return true;
    case LVN_GETDISPINFOA:
        CellText(PaneOf(State(window), id), reinterpret_cast<NMLVDISPINFOA&>(header));
        return true;
    case LVN_ODFINDITEMA:
        SetWindowLongPtrA(window, DWLP_MSGRESULT,
                          FindRow(PaneOf(State(window), id), reinterpret_cast<const NMLVFINDITEMA&>(header)));
        return true;
    }
    return false;
}

}  // namespace

bool ClientKey(HWND window, MSG& message)
{
    if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
    ClientWindow* state = reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (state == nullptr) return false;
    // Escape ends a drag, and only the drag (the dialog would close).
    if (state->drag_from != 0 && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        ReleaseCapture();
        return true;
    }
    return TranslateAcceleratorA(window, state->keys, &message) != 0;
}

INT_PTR CALLBACK ClientDialogProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_INITDIALOG:
        Initialise(window, reinterpret_cast<ClientWindow*>(l));
        return TRUE;
    case WM_COMMAND: {
        int code = HIWORD(w);
        // Buttons click; the key table sends its commands with code 1 and no control.
        if (code != BN_CLICKED && !(code == 1 && l == 0)) return FALSE;
        return OnCommand(window, LOWORD(w)) ? TRUE : FALSE;
    }
    case WM_NOTIFY:
        return OnNotify(window, *reinterpret_cast<NMHDR*>(l)) ? TRUE : FALSE;
    case WM_GETMINMAXINFO:
        // Sent before WM_INITDIALOG too, when the state is not there yet.
        if (GetWindowLongPtrA(window, DWLP_USER) != 0) {
            reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{State(window).minimum_size.cx,
                                                                     State(window).minimum_size.cy};
        }
        return TRUE;
    case WM_SIZE:
        if (GetWindowLongPtrA(window, DWLP_USER) != 0) {
            LayOutClient(window);
            FitNameColumns(window);
        }
        return TRUE;
    case kProgressMessage:
    case kStatusMessage:
    case kJobDoneMessage:
        HearWorker(window, false);
        return TRUE;
    case WM_TIMER:
        if (w != kJobTimer) return FALSE;
        HearWorker(window, true);
        return TRUE;
    case kDropMessage:
        HandleDrop(window);
        return TRUE;
    case WM_MOUSEMOVE:
        if (GetWindowLongPtrA(window, DWLP_USER) == 0 || State(window).drag_from == 0) return FALSE;
        FollowDrag(window, l);
        return TRUE;
    case WM_LBUTTONUP:
        if (GetWindowLongPtrA(window, DWLP_USER) == 0 || State(window).drag_from == 0) return FALSE;
        EndDrag(window, l);
        return TRUE;
    case WM_CAPTURECHANGED:
        // The drag was let go, or Escape, another window or the system
        // took the mouse: no drop.
        if (GetWindowLongPtrA(window, DWLP_USER) != 0) State(window).drag_from = 0;
        return FALSE;
    case WM_CLOSE:
        Close(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}
