#include "transfer/ftp_client_start.h"

#include "app/startup_state.h"
#include "ftp/system_client.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/shell_start.h"

int StartFtpClient(HWND main_window)
{
    if (ReadProfileInt("Vantrel", "VantrelMode", 0, g_startup.settings_path.c_str()) != 0) {
        PostText(main_window, kError, "エラー：転送方法が「FTP」ではありません");
        return -1;
    }

    PathText program;
    if (!ProgramFolderPath(program, "FTPClient.exe") ||
        !PathExists(program.c_str())) {
        PostText(main_window, kError, "エラー：ファイル %s がありません", program.c_str());
        return -1;
    }

    const MachineRecord& machine = g_selected_machine;
    // Names where the system's client puts them: the client of Windows 8
    // and later offers OPTS UTF8 ON and names files in UTF-8 when the server
    // takes it, and so does FTPClient.exe with "auto".
    const char* encoding = ClientOffersUtf8(SystemFtpClientVersion()) ? "auto" : "sjis";
    FixedText<1024> arguments;
    if (machine.has_initial_folder()) {
        arguments.Format("--host %s --user %s --password %s --encoding %s --remote-dir %s --local-dir %s",
                         machine.address.c_str(), machine.user_name.c_str(), machine.password.c_str(), encoding,
                         machine.initial_folder.c_str(), g_startup.program_folder.c_str());
    } else {
        arguments.Format("--host %s --user %s --password %s --encoding %s --local-dir %s", machine.address.c_str(),
                         machine.user_name.c_str(), machine.password.c_str(), encoding,
                         g_startup.program_folder.c_str());
    }

    // Started without waiting.
    bool started = StartThroughShell(main_window, program.c_str(), arguments.c_str());
    // The arguments hold the password: cleared on every path, by a call the
    // optimiser keeps although the buffer is not read again.
    SecureZeroMemory(arguments.data(), arguments.kSize);
    if (!started) {
        PostText(main_window, kError, "エラー：ファイル %s 実行失敗", program.c_str());
        return -1;
    }
    program.Clear();
    return 0;
}
