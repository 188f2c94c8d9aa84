#pragma once

// What the files of the client window share. One file a concern:
//   client_pane.cpp    the two list views: columns, order, rows, type-ahead
//   client_local.cpp   the local folder: its rows, opening folders, deleting files
//   client_drag.cpp    files dropped from outside, rows dragged from pane to pane
//   client_jobs.cpp    the worker's jobs: starting them, hearing it, showing results
//   client_window.cpp  the dialog procedure, its commands, notifications and keys

#include <string>
#include <vector>

#include "ftpclient/client_window.h"
#include "ftpclient/ids.h"
#include "platform/controls.h"

// Calls of the window's files among themselves; the rest of the program
// sees client_window.h only.
namespace client_window {

// The window's state, or nullptr before WM_INITDIALOG has set it: a dialog
// gets WM_GETMINMAXINFO, WM_SIZE and others before that.
inline ClientWindow* StateOf(HWND window)
{
    return reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(window, DWLP_USER));
}

// The state where it is there for certain (after WM_INITDIALOG).
inline ClientWindow& State(HWND window) { return *StateOf(window); }

inline ListView List(HWND window, int id) { return ListView(GetDlgItem(window, id)); }

inline Pane& PaneOf(ClientWindow& state, int list_id)
{
    return list_id == IDC_LOCAL_LIST ? state.local : state.remote;
}

inline void SetStatus(HWND window, const std::string& text) { SetItemText(window, IDC_STATUS, text.c_str()); }

inline ProgressBar Progress(HWND window) { return ProgressBar(GetDlgItem(window, IDC_PROGRESS)); }

// The row an item shows when it is "..", and when there is no such item.
inline constexpr int kParentRow = -1;
inline constexpr int kNoRow = -2;

// ---- client_pane.cpp

// The pane's columns and its sort mark, once at the start.
void SetUpColumns(HWND window, const Pane& pane);
void FitNameColumns(HWND window);
// Rows of the pane in its order; the rows whose indexes are in `selected`
// stay selected.
void FillPane(HWND window, Pane& pane, const std::vector<int>& selected = {});
// The row an item of the list shows: its index, kParentRow for "..", or
// kNoRow.
int RowOfItem(const Pane& pane, int item);
// Indexes of the selected rows (".." left out).
std::vector<int> SelectedRows(HWND window, const Pane& pane);
// LVN_GETDISPINFO and LVN_ODFINDITEM of a pane.
void CellText(const Pane& pane, NMLVDISPINFOA& request);
int FindRow(const Pane& pane, const NMLVFINDITEMA& request);
void SelectAll(HWND window, int list_id);
void SortBy(HWND window, int list_id, int column);
RowTime ToRowTime(const SYSTEMTIME& time);

// ---- client_local.cpp

void ReadLocalFolder(HWND window);
std::string UnwritableRowsText(std::size_t count);
// Names of the selected local files (folders and ".." left out).
std::vector<std::string> SelectedLocalFiles(HWND window);
// 【削除】 with the local pane last focused: asked, then done at once.
void DeleteLocalFiles(HWND window);
void GoUp(HWND window, int list_id);
// The focused row of a pane: ".." goes up, a folder opens; a file does nothing.
void OpenRow(HWND window, int list_id);

// ---- client_drag.cpp

// Subclasses the list so that it takes the files dropped on it.
void AcceptDrops(HWND window, HWND list);
// kDropMessage: one kept drop.
void HandleDrop(HWND window);
void BeginDrag(HWND window, int list_id);
void FollowDrag(HWND window, LPARAM point);
void EndDrag(HWND window, LPARAM point);

// ---- client_jobs.cpp

void StartJob(HWND window, Job job);
bool Confirm(HWND window, const std::string& text);
void StartUpload(HWND window, std::vector<UploadFile> files);
void Upload(HWND window);
void Download(HWND window);
void Delete(HWND window);
void Refresh(HWND window);
void StopJob(HWND window);
void ChangeRemoteFolder(HWND window, const RemoteEntry& target);
// A nudge of the worker, or the job timer (`tick`).
void HearWorker(HWND window, bool tick);

}  // namespace client_window
