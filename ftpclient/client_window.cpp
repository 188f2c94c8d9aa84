// The client window's dialog procedure: its start and close, its commands
// (buttons and the key table), the panes' notifications and the keys.
#include "ftpclient/client_window_private.h"

#include "ftpclient/client_layout.h"
#include "ftpclient/copy_cursor.h"
#include "platform/program_folder.h"

namespace client_window {
namespace {

// How long closing waits for the worker to let go of a running job.
constexpr DWORD kCloseWaitMs = 500;

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

// The pane a key means: the focused one, else the one last focused.
int KeyPane(HWND window)
{
    int pane = FocusedPane(window);
    return pane != 0 ? pane : State(window).last_focused_list;
}

void GoUpKey(HWND window)
{
    if (int pane = KeyPane(window)) GoUp(window, pane);
}

void SelectAllKey(HWND window)
{
    if (int pane = KeyPane(window)) SelectAll(window, pane);
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
        SetUpColumns(window, *pane);
        AcceptDrops(window, GetDlgItem(window, pane->list_id));
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
    state->settings_path = ProgramSettingsPath();
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

// The commands of the buttons and of the key table. Buttons are disabled
// while a job runs; a command posted or keyed meanwhile is ignored too,
// unless it may come while busy.
struct Command {
    int id;
    void (*run)(HWND window);
    bool while_busy;
};
constexpr Command kCommands[] = {
    {IDC_UPLOAD, Upload, false},
    {IDC_DOWNLOAD, Download, false},
    {IDC_DELETE, Delete, false},
    {IDC_REFRESH, Refresh, false},
    {IDC_STOP, StopJob, true},
    {IDC_OPEN, EnterKey, true},
    {IDC_UP, GoUpKey, true},
    {IDC_SELECT_ALL, SelectAllKey, true},
    {IDC_OTHER_PANE, TabKey, true},
    {IDCANCEL, Close, true},
};

bool OnCommand(HWND window, int id)
{
    bool busy = State(window).worker->busy();
    for (const Command& command : kCommands) {
        if (command.id != id) continue;
        if (command.while_busy || !busy) command.run(window);
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
}  // namespace client_window

using namespace client_window;

bool ClientKey(HWND window, MSG& message)
{
    if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
    ClientWindow* state = StateOf(window);
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
    // Some messages come before WM_INITDIALOG too, when the state is not there yet.
    ClientWindow* state = StateOf(window);
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
        if (state != nullptr) {
            reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{state->minimum_size.cx, state->minimum_size.cy};
        }
        return TRUE;
    case WM_SIZE:
        if (state != nullptr) {
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
        if (state == nullptr || state->drag_from == 0) return FALSE;
        FollowDrag(window, l);
        return TRUE;
    case WM_LBUTTONUP:
        if (state == nullptr || state->drag_from == 0) return FALSE;
        EndDrag(window, l);
        return TRUE;
    case WM_CAPTURECHANGED:
        // The drag was let go, or Escape, another window or the system
        // took the mouse: no drop.
        if (state != nullptr) state->drag_from = 0;
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
