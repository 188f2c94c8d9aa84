#include "transfer/transfer_run.h"

#include <shellapi.h>

#include <cstdio>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/controls.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "transfer/control_file.h"
#include "transfer/control_script.h"
#include "transfer/delivery_check.h"

PathText g_dropped_file_path;

int StartVantrel(HWND main_window)
{
    PostText(main_window, kListOnly, "routine name : StartVantrel");
    PostText(main_window, kListOnly, "... 転送ファイル %s", g_dropped_file_path.c_str());
    if (const char* fault = ControlScriptFault(g_selected_machine, g_dropped_file_path.c_str()))
        return PostText(main_window, kError, "%s", fault);
    SetControlFileName(main_window);

    std::FILE* control = std::fopen(g_control_file_path.c_str(), "w");
    if (control == nullptr) {
        return PostText(main_window, kError, "コントロールファイル %s open error", g_control_file_path.c_str());
    }

    MachineName machine;
    if (GetItemText(main_window, IDC_MACHINE_COMBO, machine) == 0) {
        std::fclose(control);
        return PostText(main_window, kError, "エラー：マシニング取得失敗");
    }

    std::fputs(ControlFileHead(g_selected_machine).c_str(), control);
    WritePutCommand(control, g_dropped_file_path.c_str());
    std::fputs(kQuitLine, control);
    std::fclose(control);

    FixedText<540> parameters;
    parameters.Assign(ClientParameters(g_control_file_path.c_str()).c_str());
    DWORD exit_code = 0;
    bool ran = ExecuteAndWait(main_window, "ftp.exe", parameters.c_str(), &exit_code) == 0;
    parameters.Clear();

    if (ReadProfileInt("Vantrel", "delete", 1, g_startup.settings_path.c_str()) == 1 &&
        !DeleteFileA(g_control_file_path.c_str())) {
        return PostText(main_window, kError, "エラー：Ctrlファイルの削除に失敗しました");
    }

    // Asked of the server whatever the client said; after a failure already
    // in a box (not started, or a failing exit status) only the list hears it.
    int delivery = CheckDelivery(main_window, g_dropped_file_path.c_str(), !ran || exit_code != 0);

    // The client tells a failed transfer by its exit status; a file that did
    // not arrive must never pass for sent.
    if (ran && exit_code != 0) {
        return PostText(main_window, kError, "エラー：ファイル %s の転送に失敗しました（ftp.exe 終了コード %lu）",
                        g_dropped_file_path.c_str(), static_cast<unsigned long>(exit_code));
    }
    if (delivery != 0) return -1;

    g_dropped_file_path.Clear();
    g_control_file_path.Clear();
    return 0;
}

int ExecuteAndWait(HWND owner, const char* program, const char* parameters, DWORD* exit_code)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.hwnd = owner;
    request.lpFile = program;
    request.lpParameters = parameters;
    request.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&request)) return PostText(owner, kError, "エラー：ファイルの実行に失敗しました");

    if (request.hProcess != nullptr) {
        WaitForSingleObject(request.hProcess, INFINITE);
        if (exit_code != nullptr) GetExitCodeProcess(request.hProcess, exit_code);
        CloseHandle(request.hProcess);
    }
    return 0;
}
