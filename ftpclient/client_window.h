#pragma once

#include <winsock2.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/client_options.h"
#include "ftpclient/remote_worker.h"

inline constexpr const char* kClientCaption = "FTPクライアント";

// The two-pane window: local files of the local folder on the left, the
// server's folder on the right, transfers between them on the worker thread.
struct ClientWindow {
    ClientOptions options;
    std::string local_folder;  // ends with a backslash
    std::vector<std::string> local_names;
    std::vector<RemoteEntry> remote_entries;
    std::string remote_path;
    bool remote_has_parent = false;  // the remote list starts with ".."
    int last_focused_list = 0;
    std::unique_ptr<RemoteWorker> worker;
};

// The dialog procedure of FTPCLIENTDLG; its creation parameter is the ClientWindow.
INT_PTR CALLBACK ClientDialogProc(HWND window, UINT message, WPARAM w, LPARAM l);
