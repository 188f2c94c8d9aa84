// Winsock's header must come before windows.h, which the check's own header
// brings in; the FTP session needs it and MinGW warns when it comes second.
#include <winsock2.h>

#include "transfer/delivery_check.h"

#include <cstdint>
#include <string>

#include "ftp/reply.h"
#include "ftp/session.h"
#include "ftp/timeouts.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "settings/settings_file.h"
#include "transfer/control_script.h"

namespace {

// What the server said about the remote name.
struct RemoteFinding {
    enum Kind {
        kSize,         // SIZE answered
        kListedSize,   // the folder's listing shows the name with a size
        kListedName,   // the listing names the file but shows no size
        kMissing,      // neither SIZE nor the listing knows the name
        kNoFolder,     // the server refused to change to the initial folder
        kNotAsked,     // no answer could be had; `why` says what failed
    };
    Kind kind = kNotAsked;
    std::uint64_t size = 0;
    std::string why;
};

RemoteFinding NotAsked(const std::string& why)
{
    RemoteFinding finding;
    finding.why = why;
    return finding;
}

// Looks for `name` in the current folder's listing. A LIST whose lines are in
// the Unix or DOS form gives the size; a listing of another form can only
// say whether the name is there, which NLST tells for sure.
bool FindInListing(FtpSession& session, const std::string& name, RemoteFinding& finding)
{
    std::string listing;
    if (session.LongList(std::string(), listing)) {
        bool understood = false;
        for (const std::string& line : SplitNameList(listing)) {
            ListEntry entry;
            if (!ParseListLine(line, entry)) continue;
            understood = true;
            if (entry.name == name && !entry.is_directory) {
                finding.kind = RemoteFinding::kListedSize;
                finding.size = entry.size;
                return true;
            }
        }
        if (understood) {
            finding.kind = RemoteFinding::kMissing;
            return true;
        }
    }
    if (!session.IsOpen() || !session.NameList(std::string(), listing)) return false;
    finding.kind = RemoteFinding::kMissing;
    for (const std::string& listed : SplitNameList(listing)) {
        if (listed == name) finding.kind = RemoteFinding::kListedName;
    }
    return true;
}

RemoteFinding AskServer(const MachineRecord& machine, const std::string& remote_name)
{
    FtpSession session;
    // The waits of the clients Vantrel starts, which inherit its environment.
    session.set_timeouts(TimeoutsFromEnvironment());
    if (!session.Open(machine.address.c_str())) return NotAsked(session.ErrorText());
    // The one copy of the password made here, of its exact length (no
    // reallocation leaves another behind), is cleared after use; the
    // session clears the PASS line it builds from it.
    std::string password = machine.password.c_str();
    bool logged_in = session.Login(machine.user_name.c_str(), password);
    SecureZeroMemory(password.data(), password.size());
    if (!logged_in) return NotAsked("ログインできません: " + session.ErrorText());
    // The control file changes folder only when the machine has one; so does the check.
    if (machine.fields_read == 4 && !session.ChangeDirectory(machine.initial_folder.c_str())) {
        // A lost connection or a passing refusal (4xx) says nothing of the folder.
        if (session.error() != FtpError::kRefused || session.last_code() / 100 != 5) {
            return NotAsked(session.ErrorText());
        }
        // The client cannot have put the file into a folder the server refuses.
        RemoteFinding finding;
        finding.kind = RemoteFinding::kNoFolder;
        finding.why = session.ErrorText();
        session.Quit();
        return finding;
    }
    // Servers answer SIZE in ASCII mode with 550 or a converted size.
    if (!session.SetBinary(true) && !session.IsOpen()) return NotAsked(session.ErrorText());

    RemoteFinding finding;
    if (session.Size(remote_name, finding.size)) {
        finding.kind = RemoteFinding::kSize;
    } else if (!session.IsOpen()) {
        return NotAsked(session.ErrorText());
    } else {
        // No SIZE (500, 502), or 550, which also means "no such file": the
        // listing tells which.
        int size_code = session.last_code();
        if (!FindInListing(session, remote_name, finding)) {
            if (size_code != 550) return NotAsked("SIZE も一覧も使えません: " + session.ErrorText());
            finding.kind = RemoteFinding::kMissing;
        }
    }
    session.Quit();
    return finding;
}

std::string Bytes(std::uint64_t size) { return std::to_string(size); }

}  // namespace

int CheckDelivery(HWND main_window, const char* local_path, bool client_failure_reported)
{
    if (!DeliveryCheckWanted()) return 0;
    const MachineRecord& machine = g_selected_machine;
    std::string remote_name = RemoteName(local_path, machine.extension_flag);
    std::string folder = machine.fields_read == 4 ? machine.initial_folder.c_str() : "ログインフォルダ";
    int error_kind = client_failure_reported ? kListOnly : kError;

    RemoteFinding found = AskServer(machine, remote_name);

    const char* form = "エラー：ファイル %s が正しく届いていません（フォルダ %s の %s：%s）";
    switch (found.kind) {
    case RemoteFinding::kNotAsked:
        PostText(main_window, client_failure_reported ? kListOnly : kWarning,
                 "ファイル %s の転送を確認できませんでした：%s", local_path, found.why.c_str());
        return 0;
    case RemoteFinding::kNoFolder:
        PostText(main_window, error_kind, form, local_path, folder.c_str(), remote_name.c_str(),
                 ("フォルダに移動できません（" + found.why + "）").c_str());
        return client_failure_reported ? 0 : -1;
    case RemoteFinding::kMissing:
        PostText(main_window, error_kind, form, local_path, folder.c_str(), remote_name.c_str(), "ありません");
        return client_failure_reported ? 0 : -1;
    case RemoteFinding::kListedName:
        PostText(main_window, kListOnly, "... 転送確認済み %s (一覧に名前のみ、サイズは未確認)", remote_name.c_str());
        return 0;
    case RemoteFinding::kSize:
    case RemoteFinding::kListedSize:
        break;
    }

    WIN32_FILE_ATTRIBUTE_DATA local = {};
    if (!GetFileAttributesExA(local_path, GetFileExInfoStandard, &local) ||
        (local.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        PostText(main_window, client_failure_reported ? kListOnly : kWarning,
                 "ファイル %s の転送を確認できませんでした：送ったファイルの大きさが読めません", local_path);
        return 0;
    }
    std::uint64_t local_size = (static_cast<std::uint64_t>(local.nFileSizeHigh) << 32) | local.nFileSizeLow;
    if (found.size != local_size) {
        PostText(main_window, error_kind, form, local_path, folder.c_str(), remote_name.c_str(),
                 (Bytes(found.size) + " バイト、送ったファイルは " + Bytes(local_size) + " バイト").c_str());
        return client_failure_reported ? 0 : -1;
    }
    PostText(main_window, kListOnly,
             found.kind == RemoteFinding::kSize ? "... 転送確認済み %s (%s バイト)" : "... 転送確認済み %s (%s バイト、一覧で確認)",
             remote_name.c_str(), Bytes(found.size).c_str());
    return 0;
}
