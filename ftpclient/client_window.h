#pragma once

#include <winsock2.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/client_options.h"
#include "ftpclient/file_rows.h"
#include "ftpclient/remote_worker.h"

inline constexpr const char* kClientCaption = "FTPクライアント";

// One side of the window: its rows and their order. The list view holds no
// rows of its own (LVS_OWNERDATA): item i shows rows[shown[i]], or ".." where
// shown[i] is -1.
struct Pane {
    int list_id = 0;
    std::vector<FileRow> rows;
    bool has_parent = false;  // the list starts with ".."
    SortOrder order;
    std::vector<int> shown;
};

// Files dropped on a pane, waiting for the window's kDropMessage.
struct Drop {
    int list_id = 0;
    std::vector<std::string> paths;
    std::vector<std::string> unwritable;  // as the ANSI call gives them: names Shift-JIS cannot write
};

// The two-pane window: a local folder on the left, the server's folder on the
// right, transfers between them on the worker thread.
struct ClientWindow {
    ClientOptions options;
    std::string local_folder;  // ends with a backslash
    std::size_t local_unwritable = 0;  // rows left out of the local pane: names Shift-JIS cannot write
    std::vector<RemoteEntry> remote_entries;  // rows of the remote pane, in the same order
    std::string remote_path;
    Pane local;
    Pane remote;
    int last_focused_list = 0;
    std::string settings_path;
    SIZE minimum_size{};  // of the whole window
    bool start_maximized = false;
    HACCEL keys = nullptr;
    std::unique_ptr<RemoteWorker> worker;
    std::string job_status;  // the worker's line, without the figures of the file
    std::vector<Drop> drops;
    WNDPROC list_proc = nullptr;  // the list views' own procedure (client_drag.cpp subclasses them)
    int drag_from = 0;  // the list whose rows are being dragged, 0 when none
    HCURSOR copy_cursor = nullptr;
};

// The dialog procedure of FTPCLIENTDLG; its creation parameter is the ClientWindow.
INT_PTR CALLBACK ClientDialogProc(HWND window, UINT message, WPARAM w, LPARAM l);

// The keys of the two panes (the key table IDA_CLIENT_KEYS) for a message of
// the window's message loop; true when the message was one of them and has
// been handled.
bool ClientKey(HWND window, MSG& message);
