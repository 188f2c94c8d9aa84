#pragma once

// Controls of the client window (FTPCLIENTDLG) and the messages its worker
// thread posts to it.
#define IDI_CLIENT 200
#define IDA_CLIENT_KEYS 201

#define IDC_SERVER_LABEL 1100
#define IDC_LOCAL_PATH 1101
#define IDC_REMOTE_PATH 1102
#define IDC_LOCAL_LIST 1103
#define IDC_REMOTE_LIST 1104
#define IDC_UPLOAD 1105
#define IDC_DOWNLOAD 1106
#define IDC_DELETE 1107
#define IDC_REFRESH 1108
#define IDC_PROGRESS 1109
#define IDC_STOP 1110
#define IDC_STATUS 1111
#define IDC_LOCAL_LABEL 1112
#define IDC_REMOTE_LABEL 1113

// Commands of the keys (IDA_CLIENT_KEYS) that no button carries.
#define IDC_OPEN 1120
#define IDC_UP 1121
#define IDC_SELECT_ALL 1122
#define IDC_OTHER_PANE 1123

#ifndef RC_INVOKED
#include <windows.h>
// Nudges from the worker thread; they carry nothing, the window asks the
// worker (remote_worker.h). The percentage of the current file changed:
constexpr UINT kProgressMessage = WM_APP + 1;
// The status line changed:
constexpr UINT kStatusMessage = WM_APP + 2;
// The job has ended:
constexpr UINT kJobDoneMessage = WM_APP + 3;
// Files were dropped on a pane; the window takes them from its own state
// once the drop's source has been let go (client_drag.cpp).
constexpr UINT kDropMessage = WM_APP + 4;
// While a job runs the window also looks every so often, so that a nudge
// lost on a full message queue loses nothing.
constexpr UINT_PTR kJobTimer = 1;
constexpr UINT kJobTimerMs = 250;
#endif
