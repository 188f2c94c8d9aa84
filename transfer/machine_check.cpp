// Winsock's header must come before windows.h, which the check's own header
// brings in; the FTP session needs it and MinGW warns when it comes second.
#include <winsock2.h>

#include "transfer/machine_check.h"

#include <string>

#include "app/startup_state.h"
#include "ftp/session.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/profile.h"
#include "transfer/control_script.h"
#include "transfer/machine_backup.h"
#include "transfer/machine_server.h"
#include "transfer/served_wait.h"

namespace {

// What the box says failed, as "マシニング MC1 <this>ため".
std::string FailedStep(MachineStep step, const MachineRecord& machine)
{
    switch (step) {
    case MachineStep::kConnect:
        return "のサーバーに接続できない";
    case MachineStep::kLogin:
        return "にログインできない";
    case MachineStep::kFolder:
        return "のフォルダ " + std::string(machine.initial_folder.c_str()) + " に移動できない";
    case MachineStep::kBinary:
        break;
    }
    return "のサーバーとの接続が切れた";
}

}  // namespace

bool MachineCheckWanted()
{
    return ReadProfileInt("Vantrel", "check", 1, g_startup.settings_path.c_str()) != 0;
}

namespace {

// The check and the backup, on their own thread: no window is touched.
bool MeetMachine(const char* machine_name, const char* local_path, std::string& stop, std::string& line)
{
    const MachineRecord& machine = g_selected_machine;
    FtpSession session;
    bool checked = MachineCheckWanted();
    if (checked) {
        std::string why;
        MachineStep step = MachineStep::kConnect;
        if (LogInToMachine(session, machine, why, &step) != MachineLogin::kReady) {
            // The box names the step; of a refused login the server's words
            // alone follow (`why` has the backup's 「ログインできません: 」 before
            // them). A refused folder's words are in `why` only: the session
            // has quit since.
            std::string words = step == MachineStep::kLogin ? session.ErrorText() : why;
            session.Close();
            stop = "エラー：マシニング " + std::string(machine_name) + " " + FailedStep(step, machine) + "ため、ファイル " +
                   local_path + " を転送しませんでした（" + words + "）";
            return false;
        }
    }

    // The backup looks on the checked session: the client's folder, one
    // login fewer. Without the check it logs in itself, as before.
    std::string why;
    bool backed_up = BackUpMachineCopy(local_path, checked ? &session : nullptr, why, line);
    if (session.IsOpen()) session.Quit();
    if (!backed_up) {
        stop = "エラー：機械の " + RemoteName(local_path, machine.extension_flag) + " をバックアップできないため、ファイル " +
               local_path + " を転送しませんでした（" + why + "）";
    }
    return backed_up;
}

}  // namespace

bool PrepareMachine(HWND main_window, const char* machine_name, const char* local_path, std::string& stop)
{
    // A slow or silent server holds this for its reply waits: the window
    // is served meanwhile.
    bool ready = false;
    std::string line;
    RunServingWindows([&] { ready = MeetMachine(machine_name, local_path, stop, line); });
    if (!line.empty()) PostText(main_window, kListOnly, "%s", line.c_str());
    return ready;
}
