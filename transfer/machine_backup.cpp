// Winsock's header must come before windows.h; the FTP session needs it.
#include <winsock2.h>

#include "transfer/machine_backup.h"

#include <cstdint>
#include <cstdio>

#include "app/startup_state.h"
#include "ftp/local_file.h"
#include "ftp/local_name.h"
#include "ftp/session.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "transfer/content_compare.h"
#include "transfer/control_script.h"
#include "transfer/machine_server.h"

namespace {

// Creates `folder` unless a folder of that name is there already.
bool MakeFolder(const std::string& folder, std::string& why)
{
    if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    char text[64];
    std::snprintf(text, sizeof text, " を作れません (エラー %lu)", static_cast<unsigned long>(error));
    why = "フォルダ " + folder + text;
    return false;
}

// backup\<registration name>\<YYYYMMDD>\<hhmmss>_<remote name>, its folders
// created. A second backup of the same name within the same second (two
// drops of one file) gets "-2", "-3", ... after the time, so that none
// replaces another.
bool NewBackupPath(const char* registration_name, const std::string& remote_name, std::string& path, std::string& why)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char day[16];
    char time[16];
    std::snprintf(day, sizeof day, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    std::snprintf(time, sizeof time, "%02u%02u%02u", now.wHour, now.wMinute, now.wSecond);
    std::string folder = std::string(g_startup.program_folder.c_str()) + "backup";
    for (const std::string& part : {std::string(), MakeSafeLocalName(registration_name), std::string(day)}) {
        if (!part.empty()) folder.append("\\").append(part);
        if (!MakeFolder(folder, why)) return false;
    }
    for (int count = 1; count < 1000; ++count) {
        std::string name = time;
        if (count > 1) name.append("-").append(std::to_string(count));
        name.append("_").append(remote_name);
        path = folder + "\\" + MakeSafeLocalName(name);
        // The ANSI file functions take paths shorter than MAX_PATH only.
        if (path.size() >= MAX_PATH) {
            why = "バックアップファイルのパスが長すぎます (" + path + ")";
            return false;
        }
        if (!PathExists(path.c_str())) return true;
    }
    why = "バックアップファイルの名前が決まりません (" + path + ")";
    return false;
}

}  // namespace

bool BackUpMachineCopy(const char* local_path, FtpSession* logged_in, std::string& why, std::string& line)
{
    line.clear();
    if (!BackupWanted()) return true;
    const MachineRecord& machine = g_selected_machine;
    std::string remote_name = RemoteName(local_path, machine.extension_flag);

    FtpSession own;
    FtpSession& session = logged_in != nullptr ? *logged_in : own;
    switch (logged_in != nullptr ? MachineLogin::kReady : LogInToMachine(own, machine, why)) {
    case MachineLogin::kReady:
        break;
    case MachineLogin::kNoFolder:
        // The client would put the file into the login folder instead,
        // over whatever is there under that name.
        why = "フォルダ " + std::string(machine.initial_folder.c_str()) + " に移動できません（" + why + "）";
        return false;
    case MachineLogin::kFailed:
        return false;
    }

    // Only a name the server plainly does not have needs no copy. When it
    // cannot say (neither SIZE nor a listing), the read decides, and a
    // refused read stops the transfer: it may be a refusal of a file that is there.
    RemoteLookup lookup;
    if (!LookUpRemoteName(session, remote_name, lookup)) {
        why = session.ErrorText();
        session.Close();
        return false;
    }
    if (lookup.presence == RemoteLookup::kAbsent) {
        session.Quit();
        line = "... バックアップなし " + remote_name + " (機械に同じ名前のファイルはありません)";
        return true;
    }

    std::string path;
    if (!NewBackupPath(machine.name.c_str(), remote_name, path, why)) {
        session.Quit();
        return false;
    }
    // The copy is compared with the file to be sent as it arrives; a file
    // that cannot be read is only never found the same.
    LocalFile local(local_path);
    ContentCompare compare([&](char* into, std::size_t capacity) { return local.IsOpen() ? local.Read(into, capacity) : -1; });
    RetrieveOptions options;
    if (lookup.sized) options.expected_size = lookup.size;
    options.replace_existing = false;
    // The window waits for the backup, without a stop button.
    options.keep_rate = true;
    options.tap = [&](const char* data, std::size_t size) { compare.Feed(data, size); };
    std::uint64_t bytes = 0;
    bool kept = session.Retrieve(remote_name, path, nullptr, bytes, options);
    if (!kept) {
        why = session.error() == FtpError::kLocalFile ? "バックアップファイル " + path + " を書き込めません: " + session.ErrorText()
                                                      : "読み出せません: " + session.ErrorText();
        session.Quit();
        return false;
    }
    session.Quit();
    std::string size = std::to_string(bytes);
    bool same = compare.Finish() == ContentCompare::Verdict::kSame;
    line = "... バックアップ済み " + path + " (" + size + " バイト" +
           (same ? "、送るファイルと同じ内容のため機械のファイルは変わりません" : "") + ")";
    return true;
}
