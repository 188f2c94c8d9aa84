// Files dropped on the panes from outside, and rows dragged from one pane to
// the other.
#include "ftpclient/client_window_private.h"

#include <windowsx.h>

#include <set>

#include "ftpclient/transfer_text.h"
#include "platform/exact_ansi.h"

namespace client_window {

namespace {

const LPCSTR kNoDropCursor = MAKEINTRESOURCEA(32648);  // IDC_NO
// DragQueryFileA's index that asks for the number of files.
constexpr UINT kDroppedFileCount = 0xFFFFFFFF;

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

// Why a dropped file whose name Shift-JIS cannot write is refused (its path
// comes first, as the ANSI call shows it).
constexpr const char* kUnwritableName = ": 名前に Shift-JIS で書けない文字があります。";

void RefuseWhileBusy(HWND window)
{
    MessageBoxA(window,
                "転送などの作業中のため、ドロップを受け付けませんでした。作業が終わってから、もう一度ドロップしてください。",
                kClientCaption, MB_OK | MB_ICONWARNING);
}

// Dropped on the server pane: the files are uploaded to the folder shown,
// exactly as the same files selected in the local pane would be. Each goes
// under its own name from its own folder; what cannot go is named first.
void UploadDropped(HWND window, const std::vector<std::string>& paths, const std::vector<std::string>& unwritable)
{
    if (State(window).worker->busy()) {
        RefuseWhileBusy(window);
        return;
    }
    std::vector<UploadFile> files;
    std::vector<std::string> refused;
    for (const std::string& path : unwritable) refused.push_back(path + kUnwritableName);
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
        MessageBoxA(window, BoxListText("次のものはアップロードしません:", refused).c_str(), kClientCaption,
                    MB_OK | MB_ICONWARNING);
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
    std::string opened = "ローカルのフォルダー " + folder + " を開きました。";
    if (state.local_unwritable != 0) opened += UnwritableRowsText(state.local_unwritable);
    SetStatus(window, opened);
}

// WM_DROPFILES of a pane. The paths are kept and the drop let go at once:
// under Wine the drop's source waits until this returns, and the questions
// of an upload come after.
void TakeDrop(HWND window, int list_id, HDROP handle)
{
    Drop drop;
    drop.list_id = list_id;
    UINT count = DragQueryFileA(handle, kDroppedFileCount, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::string path;
        if (DroppedPathInAnsi(handle, i, path)) {
            if (!path.empty()) drop.paths.push_back(std::move(path));
            continue;
        }
        // Named as the ANSI call gives it, for the box only.
        UINT length = DragQueryFileA(handle, i, nullptr, 0);
        path.assign(length + 1, '\0');
        path.resize(DragQueryFileA(handle, i, path.data(), length + 1));
        drop.unwritable.push_back(std::move(path));
    }
    DragFinish(handle);
    if (drop.paths.empty() && drop.unwritable.empty()) return;
    State(window).drops.push_back(std::move(drop));
    PostMessageA(window, kDropMessage, 0, 0);
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

}  // namespace

void AcceptDrops(HWND window, HWND list)
{
    State(window).list_proc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProc)));
    DragAcceptFiles(list, TRUE);
}

// One kept drop a message, in the order they came.
void HandleDrop(HWND window)
{
    ClientWindow& state = State(window);
    if (state.drops.empty()) return;
    Drop drop = std::move(state.drops.front());
    state.drops.erase(state.drops.begin());
    if (drop.list_id != IDC_LOCAL_LIST) {
        UploadDropped(window, drop.paths, drop.unwritable);
        return;
    }
    if (!drop.unwritable.empty()) {
        std::vector<std::string> refused;
        for (const std::string& path : drop.unwritable) refused.push_back(path + kUnwritableName);
        MessageBoxA(window, BoxListText("次のものは開きません:", refused).c_str(), kClientCaption, MB_OK | MB_ICONWARNING);
    }
    if (!drop.paths.empty()) OpenDroppedFolder(window, drop.paths);
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

}  // namespace client_window
