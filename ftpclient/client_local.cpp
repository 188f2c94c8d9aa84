// The local side of the client window: the rows of the local folder, going
// into folders and up on either side, and deleting local files (at once, on
// the window's thread: no worker job).
#include "ftpclient/client_window_private.h"

#include "ftp/local_file.h"
#include "ftpclient/transfer_text.h"
#include "platform/exact_ansi.h"

namespace client_window {

namespace {

RowTime LocalRowTime(const FILETIME& written)
{
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &time)) return RowTime{};
    return ToRowTime(time);
}

}  // namespace

std::string UnwritableRowsText(std::size_t count)
{
    return "名前に Shift-JIS で書けない文字がある " + std::to_string(count) + " 件は、ローカルの一覧に表示していません。";
}

void ReadLocalFolder(HWND window)
{
    ClientWindow& state = State(window);
    state.local.rows.clear();
    state.local.has_parent = !ParentFolder(state.local_folder).empty();
    // Read wide: a name Shift-JIS cannot write would come back from the ANSI
    // call as a best fit naming another file ("cafe.nc" for "café.nc"), and
    // uploading that row would send the other file. Such rows are left out.
    std::size_t unwritable = 0;
    std::wstring pattern;
    std::string name;
    WIN32_FIND_DATAW found;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (AnsiToWide(state.local_folder + "*", pattern)) search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!WideToExactAnsi(found.cFileName, static_cast<int>(wcslen(found.cFileName)), name)) {
                ++unwritable;
                continue;
            }
            if (name == "." || name == "..") continue;
            FileRow row;
            row.name = name;
            row.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            row.size = SizeFromHalves(found.nFileSizeHigh, found.nFileSizeLow);
            row.modified = LocalRowTime(found.ftLastWriteTime);
            state.local.rows.push_back(row);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    SetItemText(window, IDC_LOCAL_PATH, state.local_folder.c_str());
    FillPane(window, state.local);
    state.local_unwritable = unwritable;
    if (unwritable != 0) SetStatus(window, UnwritableRowsText(unwritable));
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

void DeleteLocalFiles(HWND window)
{
    ClientWindow& state = State(window);
    std::vector<std::string> names = SelectedLocalFiles(window);
    if (names.empty()) {
        MessageBoxA(window, "削除するファイルを一覧で選んでください。", kClientCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::string more = names.size() > 1 ? " ほか " + std::to_string(names.size() - 1) + " 件" : "";
    if (!Confirm(window, "ローカルのファイル " + names.front() + more + " を削除しますか？")) return;
    std::vector<std::string> failures;
    for (const std::string& name : names) {
        if (!DeleteFileA((state.local_folder + name).c_str())) failures.push_back(name);
    }
    ReadLocalFolder(window);
    if (!failures.empty()) {
        SetStatus(window, "エラーがありました。");
        MessageBoxA(window, BoxListText("削除できませんでした:", failures).c_str(), kClientCaption, MB_OK | MB_ICONERROR);
        return;
    }
    SetStatus(window, "完了: ローカルのファイルを削除しました。");
}

// The remote pane changes its folder by a job; the local pane reads the
// folder at once.
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

void OpenRow(HWND window, int list_id)
{
    ClientWindow& state = State(window);
    Pane& pane = PaneOf(state, list_id);
    ListView list = List(window, list_id);
    int index = RowOfItem(pane, list.GetNextItem(-1, LVNI_FOCUSED));
    if (index == kParentRow) {
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

}  // namespace client_window
