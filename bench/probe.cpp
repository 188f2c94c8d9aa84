// probe.exe: timings taken inside the Wine prefix, on the performance counter,
// for bench/bench.py. One JSON line on standard output per run.
//   probe launch COUNT PROGRAM [PARAMETERS]
//       COUNT times: ShellExecuteExA + wait, with the flags Vantrel uses for
//       ftp.exe and filelist.exe; milliseconds and exit codes of each.
//   probe startup EXE
//       starts EXE (CreateProcess, its own folder as current folder) and polls
//       every millisecond for its main window: found, visible, and the start
//       banner readable from its message list; then closes it.
//   probe refresh HWND COUNT
//       COUNT times: WM_COMMAND IDM_REFRESH_FILE_LIST sent to HWND and
//       waited for; milliseconds and the server list's entry count after each.
//   probe client EXE ARGUMENTS
//       starts FTPClient.exe (CreateProcess) and polls every millisecond for
//       its window and its status line: the milliseconds until the first
//       listing is shown ("完了" on the status line) and the rows of the
//       server pane then; then closes it and times its end.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/clock.h"
#include "ftpclient/ids.h"
#include "resources/resource.h"

namespace {

std::string Join(const std::vector<double>& values)
{
    std::string text;
    char number[32];
    for (double v : values) {
        std::snprintf(number, sizeof number, "%s%.3f", text.empty() ? "" : ",", v);
        text += number;
    }
    return text;
}

int Launch(int count, const char* program, const char* parameters)
{
    std::vector<double> times;
    std::vector<double> codes;
    for (int i = 0; i < count; ++i) {
        SHELLEXECUTEINFOA request = {};
        request.cbSize = sizeof request;
        request.fMask = SEE_MASK_NOCLOSEPROCESS;
        request.lpFile = program;
        request.lpParameters = parameters;
        request.nShow = SW_SHOWNORMAL;
        double start = Now();
        if (!ShellExecuteExA(&request) || request.hProcess == nullptr) {
            std::printf("{\"ok\":false,\"error\":%lu}\n", GetLastError());
            return 1;
        }
        WaitForSingleObject(request.hProcess, INFINITE);
        times.push_back(Now() - start);
        DWORD code = 0;
        GetExitCodeProcess(request.hProcess, &code);
        codes.push_back(code);
        CloseHandle(request.hProcess);
    }
    std::printf("{\"ok\":true,\"ms\":[%s],\"exit_codes\":[%s]}\n", Join(times).c_str(), Join(codes).c_str());
    return 0;
}

// A window of another process answers only from its message loop: a short
// time-out tells "busy" from "no".
bool Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR& answer)
{
    return SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 2, &answer) != 0;
}

bool BannerShown(HWND main_window)
{
    HWND list = GetDlgItem(main_window, IDC_MESSAGE_LIST);
    DWORD_PTR count = 0;
    if (list == nullptr || !Ask(list, LB_GETCOUNT, 0, 0, count)) return false;
    for (DWORD_PTR i = 0; i < count && i < 50; ++i) {
        DWORD_PTR length = 0;
        if (!Ask(list, LB_GETTEXTLEN, i, 0, length) || length >= 1024) continue;
        wchar_t line[1024] = {};
        DWORD_PTR copied = 0;
        if (Ask(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line), copied) && std::wcsncmp(line, L"Start ", 6) == 0) {
            return true;
        }
    }
    return false;
}

struct Found {
    DWORD pid;
    HWND window;
};

const char* g_class = "Vantrel";

BOOL CALLBACK FindOwnWindow(HWND window, LPARAM data)
{
    Found* found = reinterpret_cast<Found*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (pid == found->pid && std::strcmp(name, g_class) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

int Startup(const char* exe)
{
    std::string folder = exe;
    folder.erase(folder.find_last_of('\\') + 1);
    std::string command = "\"" + std::string(exe) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::printf("{\"ok\":false,\"error\":%lu}\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    Found found = {process.dwProcessId, nullptr};
    double found_ms = -1, visible_ms = -1, banner_ms = -1;
    double last_poll_gap = 0, previous = Now();
    while (Now() - start < 30000 && (visible_ms < 0 || banner_ms < 0)) {
        double now = Now();
        if (now - previous > last_poll_gap) last_poll_gap = now - previous;
        previous = now;
        if (found.window == nullptr) {
            EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&found));
            if (found.window != nullptr) found_ms = Now() - start;
        }
        if (found.window != nullptr) {
            if (visible_ms < 0 && IsWindowVisible(found.window)) visible_ms = Now() - start;
            if (banner_ms < 0 && BannerShown(found.window)) banner_ms = Now() - start;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    bool ok = visible_ms >= 0 && banner_ms >= 0;
    if (found.window != nullptr) PostMessageA(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    std::printf("{\"ok\":%s,\"found_ms\":%.3f,\"visible_ms\":%.3f,\"banner_ms\":%.3f,\"longest_poll_gap_ms\":%.3f}\n",
                ok ? "true" : "false", found_ms, visible_ms, banner_ms, last_poll_gap);
    return ok ? 0 : 1;
}

int Refresh(HWND main_window, int count)
{
    std::vector<double> times;
    std::vector<double> entries;
    HWND list = GetDlgItem(main_window, IDC_SERVER_FILE_LIST);
    for (int i = 0; i < count; ++i) {
        double start = Now();
        SendMessageA(main_window, WM_COMMAND, IDM_REFRESH_FILE_LIST, 0);
        times.push_back(Now() - start);
        entries.push_back(static_cast<double>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    }
    std::printf("{\"ok\":true,\"ms\":[%s],\"entries\":[%s]}\n", Join(times).c_str(), Join(entries).c_str());
    return 0;
}

int Client(const char* exe, const char* arguments)
{
    std::string command = "\"" + std::string(exe) + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("{\"ok\":false,\"error\":%lu}\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    g_class = "TkTopLevel";
    Found found = {process.dwProcessId, nullptr};
    double shown_ms = -1;
    char status[256] = {};
    while (Now() - start < 600000 && shown_ms < 0) {
        if (found.window == nullptr) EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&found));
        // A static control's text is read without a message to its process.
        if (found.window != nullptr && GetWindowTextA(GetDlgItem(found.window, IDC_STATUS), status, sizeof status) > 0 &&
            (std::strncmp(status, "完了", std::strlen("完了")) == 0 ||
             std::strncmp(status, "エラー", std::strlen("エラー")) == 0)) {
            shown_ms = Now() - start;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    DWORD_PTR rows = 0;
    if (found.window != nullptr) {
        SendMessageTimeoutA(GetDlgItem(found.window, IDC_REMOTE_LIST), 0x1004 /* LVM_GETITEMCOUNT */, 0, 0,
                            SMTO_NORMAL, 10000, &rows);
    }
    bool ok = shown_ms >= 0 && std::strncmp(status, "完了", std::strlen("完了")) == 0;
    double closing = Now();
    if (found.window != nullptr) PostMessageA(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    double closed_ms = Now() - closing;
    CloseHandle(process.hProcess);
    std::printf("{\"ok\":%s,\"shown_ms\":%.3f,\"rows\":%lu,\"close_ms\":%.3f}\n", ok ? "true" : "false", shown_ms,
                static_cast<unsigned long>(rows), closed_ms);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "launch") == 0) {
        return Launch(std::atoi(argv[2]), argv[3], argc > 4 ? argv[4] : nullptr);
    }
    if (argc == 3 && std::strcmp(argv[1], "startup") == 0) return Startup(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "refresh") == 0) {
        HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(argv[2], nullptr, 0)));
        return Refresh(window, std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "client") == 0) return Client(argv[2], argv[3]);
    std::fprintf(stderr, "usage: probe launch COUNT PROGRAM [PARAMETERS] | startup EXE | refresh HWND COUNT | "
                 "client EXE ARGUMENTS\n");
    return 2;
}
