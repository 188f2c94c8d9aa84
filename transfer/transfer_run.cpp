#include "transfer/transfer_run.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup_state.h"
#include "ftp/local_file.h"
#include "log/log_file.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/shell_start.h"
#include "resources/resource.h"
#include "text/script_encoding.h"
#include "text/sjis.h"
#include "transfer/client_process.h"
#include "transfer/client_transcript.h"
#include "transfer/control_file.h"
#include "transfer/control_script.h"
#include "transfer/delivery_check.h"
#include "transfer/machine_check.h"

PathText g_dropped_file_path;

namespace {

// The system's command-line FTP client, ftp.exe in the system folder.
PathText SystemFtpClient()
{
    PathText client;
    UINT length = GetSystemDirectoryA(client.data(), static_cast<UINT>(client.kSize));
    if (length == 0 || length >= client.kSize) client.Clear();
    client.Append(client.empty() ? "ftp.exe" : "\\ftp.exe");
    return client;
}

// The client's transcript goes to the log file, one marked line each.
void KeepTranscript(const ClientTranscript& transcript)
{
    std::vector<std::string> lines;
    for (const std::string& line : transcript.lines) lines.push_back("  ftp.exe | " + line);
    KeepLogLines(lines);
}

// The client's line as a box quotes it: a line that names a long path is
// cut (on whole characters, marked) so that what it means still fits.
std::string QuotedLine(const std::string& line)
{
    constexpr std::size_t kQuotedBytes = 160;
    if (line.size() <= kQuotedBytes) return line;
    return line.substr(0, WholeCharPrefix(line.c_str(), kQuotedBytes)) + "…";
}

// One box for the client's failure: the time limit, else the line that
// told of it and what it means, with a non-zero exit status named too.
void ReportClientFailure(HWND main_window, const char* path, const ClientRun& run, const ClientTranscript& transcript)
{
    if (run.ended_by_limit) {
        std::string last;
        for (const std::string& line : transcript.lines) {
            if (!line.empty()) last = QuotedLine(line);
        }
        PostText(main_window, kError,
                 "エラー：ファイル %s の転送が制限時間内に終わらないため、ftp.exe を止めました（サーバーが応答しないか、データ接続が止まっています%s%s%s）",
                 path, last.empty() ? "" : "。ftp.exe の最後の出力「", last.c_str(), last.empty() ? "" : "」");
    } else if (transcript.fault != ClientFault::kNone && run.exit_code != 0) {
        PostText(main_window, kError, "エラー：ファイル %s の転送に失敗しました（ftp.exe 終了コード %lu、「%s」：%s）", path,
                 static_cast<unsigned long>(run.exit_code), QuotedLine(transcript.failure_line).c_str(),
                 ClientFaultMeaning(transcript.fault));
    } else if (transcript.fault != ClientFault::kNone) {
        PostText(main_window, kError, "エラー：ファイル %s の転送に失敗しました（ftp.exe「%s」：%s）", path,
                 QuotedLine(transcript.failure_line).c_str(), ClientFaultMeaning(transcript.fault));
    } else {
        PostText(main_window, kError, "エラー：ファイル %s の転送に失敗しました（ftp.exe 終了コード %lu）", path,
                 static_cast<unsigned long>(run.exit_code));
    }
}

}  // namespace

int StartVantrel(HWND main_window, const char* client)
{
    // This run's file, kept here for the whole run: whatever the window
    // meets while it waits, the client's result and the delivery check
    // speak of the file this run sent.
    const PathText dropped = g_dropped_file_path;
    PostText(main_window, kListOnly, "routine name : StartVantrel");
    PostText(main_window, kListOnly, "... 転送ファイル %s", dropped.c_str());
    // The client of Windows 8 and later reads its script in UTF-8: known by
    // the client's own file version, which a compatibility mode leaves as
    // it is while the version the system reports to us goes back.
    const PathText program = client != nullptr ? PathText(client) : SystemFtpClient();
    ScriptEncoding encoding = ClientScriptEncoding(program.c_str());
    if (const char* fault = ControlScriptFault(g_selected_machine, g_dropped_file_path.c_str(), encoding)) {
        PostText(main_window, kError, "%s", fault);
        return -1;
    }
    if (RemoteNameTooLong(g_dropped_file_path.c_str(), g_selected_machine.extension_flag)) {
        PostText(main_window, kError, "エラー：ファイル %s はサーバーでの名前が %zu バイトを超えるため、転送しませんでした",
                 g_dropped_file_path.c_str(), kLongestRemoteName);
        return -1;
    }
    SetControlFileName(main_window);

    std::FILE* control = std::fopen(g_control_file_path.c_str(), "w");
    if (control == nullptr) {
        PostText(main_window, kError, "コントロールファイル %s open error", g_control_file_path.c_str());
        return -1;
    }

    MachineName machine;
    if (GetItemText(main_window, IDC_MACHINE_COMBO, machine) == 0) {
        std::fclose(control);
        PostText(main_window, kError, "エラー：マシニング取得失敗");
        return -1;
    }

    // With no address the client would take the user name for the host and
    // the password for the user name, and fail without a word.
    if (g_selected_machine.address.empty()) {
        std::fclose(control);
        DeleteFileA(g_control_file_path.c_str());
        PostText(main_window, kError, "エラー：マシニング %s のIPアドレスが登録されていません", machine.c_str());
        return -1;
    }

    // The machine is met as the client will meet it, and nothing on it is
    // overwritten without its copy (backup=1), before the control file holds
    // the password: it must not sit in tmp while a slow server answers. A
    // machine the client could not log in to or change folder on, or whose
    // copy could not be kept, gets no control file and no client.
    std::string stop;
    if (!PrepareMachine(main_window, machine.c_str(), g_dropped_file_path.c_str(), stop)) {
        std::fclose(control);
        DeleteFileA(g_control_file_path.c_str());
        PostText(main_window, kError, "%s", stop.c_str());
        return -1;
    }

    // A short write (a full disk) would leave a script without its put line
    // or with a cut remote name, which the client runs and passes: every
    // write, the flush and the close are checked, and such a script is never
    // run. The flush is separate because fclose returns 0 after its own
    // flush failed (measured under Wine 8 on a full file system; fflush
    // returns EOF there and sets the error flag).
    std::string head = ControlFileHead(g_selected_machine);
    bool written = WriteControlText(control, head, encoding);
    SecureZeroMemory(head.data(), head.size());
    written = WritePutCommand(control, g_dropped_file_path.c_str(), encoding) == 0 && written;
    written = WriteControlText(control, kQuitLine, encoding) && written;
    written = std::fflush(control) == 0 && std::ferror(control) == 0 && written;
    written = std::fclose(control) == 0 && written;
    if (!written) {
        DeleteFileA(g_control_file_path.c_str());
        PostText(main_window, kError, "エラー：コントロールファイル %s を書き込めないため、ファイル %s を転送しませんでした",
                 g_control_file_path.c_str(), g_dropped_file_path.c_str());
        return -1;
    }

    // The client runs in tmp and is given the control file's bare name: the
    // Windows client takes no blank after "-s:", and the program folder may
    // have one. Named by its place in the system folder, because a search
    // looks in the working folder first (measured under Wine with the
    // shell) and nothing but the system's own client may run there.
    FixedText<540> parameters;
    parameters.Assign(ClientParameters(g_control_file_path.c_str()).c_str());
    PathText folder;
    ProgramFolderPath(folder, "tmp");
    // A file whose size cannot be read counts as empty: the client then
    // fails at once, and the limit is the waits alone.
    ClientRun run = RunClient(program.c_str(), parameters.c_str(), folder.c_str(),
                              ClientTimeLimitMs(TimeoutsFromEnvironment(), LocalFileSize(dropped.c_str()).value_or(0)));
    parameters.Clear();
    ClientTranscript transcript = ReadClientTranscript(run.output, g_selected_machine.password.c_str());
    SecureZeroMemory(run.output.data(), run.output.size());
    KeepTranscript(transcript);

    // The control file holds the password: it is deleted before any box of
    // this run is shown, since a box waits for the user for as long as he
    // likes. Then the failures, in the order they happened: the client's,
    // the deletion's, and the delivery check's finding.
    bool kept = ReadProfileInt("Vantrel", "delete", 1, g_startup.settings_path.c_str()) == 1 &&
                !DeleteFileHeldBriefly(g_control_file_path.c_str());
    // The Windows client ends with 0 whatever happened: what it printed
    // tells a failed transfer, and a client that had to be ended may not
    // have sent the file whole. A non-zero exit status fails the run too.
    bool failed = run.started && (run.ended_by_limit || transcript.fault != ClientFault::kNone || run.exit_code != 0);
    if (run.start_retries > 0)
        PostText(main_window, kListOnly, "... %s の起動を %d 回やり直しました (エラー %lu)", program.c_str(),
                 run.start_retries, static_cast<unsigned long>(run.first_start_error));
    if (!run.started) {
        PostText(main_window, kListOnly, "... %s を起動できません (エラー %lu)", program.c_str(),
                 static_cast<unsigned long>(run.start_error));
        PostText(main_window, kError, "エラー：ファイルの実行に失敗しました");
    } else if (failed) {
        ReportClientFailure(main_window, dropped.c_str(), run, transcript);
    }
    if (kept) PostText(main_window, kError, "エラー：Ctrlファイルの削除に失敗しました");

    // A client that never started sent nothing, and nothing is checked (a
    // copy already on the server must not pass for this transfer). Else the
    // server is asked whatever the client said; after a failure in a box
    // only the list hears the finding.
    int delivery = run.started ? CheckDelivery(main_window, dropped.c_str(), failed) : 0;
    if (failed || kept || delivery != 0) return -1;

    g_dropped_file_path.Clear();
    g_control_file_path.Clear();
    return 0;
}

int ExecuteAndWait(HWND owner, const char* program, const char* parameters, DWORD* exit_code, const char* folder)
{
    HANDLE process = nullptr;
    if (!StartThroughShell(owner, program, parameters, folder, &process)) {
        PostText(owner, kError, "エラー：ファイルの実行に失敗しました");
        return -1;
    }
    DWORD code = 0;
    if (process != nullptr) {
        WaitForSingleObject(process, INFINITE);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
    }
    if (exit_code != nullptr) *exit_code = code;
    return 0;
}
