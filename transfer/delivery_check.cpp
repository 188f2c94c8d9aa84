// Winsock's header must come before windows.h, which the check's own header
// brings in; the FTP session needs it and MinGW warns when it comes second.
#include <winsock2.h>

#include "transfer/delivery_check.h"

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/local_file.h"
#include "ftp/session.h"
#include "log/message_log.h"
#include "machines/machine_record.h"
#include "settings/settings_file.h"
#include "transfer/content_compare.h"
#include "transfer/control_script.h"
#include "transfer/machine_server.h"
#include "transfer/served_wait.h"

namespace {

// What the server said about the remote name, and what its content was.
struct RemoteFinding {
    enum Kind {
        kSame,            // read back whole, byte for byte the local file
        kMissing,         // neither SIZE nor the listing knows the name
        kNoFolder,        // the server refused to change to the initial folder
        kSizeDiffers,     // `size` bytes (from SIZE, the listing or the read-back)
        kLonger,          // the read-back went on past the local file's end
        kContentDiffers,  // the same size; the byte at `offset` (from 0) differs
        kNotAsked,        // no answer could be had; `why` says what failed
    };
    Kind kind = kNotAsked;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::string why;
};

RemoteFinding NotAsked(const std::string& why)
{
    RemoteFinding finding;
    finding.why = why;
    return finding;
}

RemoteFinding Found(RemoteFinding::Kind kind, std::uint64_t size = 0, std::uint64_t offset = 0)
{
    RemoteFinding finding;
    finding.kind = kind;
    finding.size = size;
    finding.offset = offset;
    return finding;
}

// Reads the remote file back and compares it with the local one as it arrives.
RemoteFinding ReadBack(FtpSession& session, const std::string& remote_name, const char* local_path)
{
    LocalFile local(local_path);
    if (!local.IsOpen()) return NotAsked("送ったファイルを読めません");
    ContentCompare compare([&](char* into, std::size_t capacity) { return local.Read(into, capacity); });
    std::uint64_t bytes = 0;
    // The window waits for the check: a server sending a byte now and then
    // must not hold it (the listings' rate, as filelist.exe's list keeps).
    bool whole = session.RetrieveInto(remote_name, [&](const char* data, std::size_t size) {
        return compare.Feed(data, size);
    }, bytes, true);
    // A refused RETR (a server that takes programs but gives none back),
    // or a read-back that broke off, confirms nothing.
    if (!whole && session.error() != FtpError::kStopped) return NotAsked("読み出して確かめられません: " + session.ErrorText());
    switch (compare.Finish()) {
    case ContentCompare::Verdict::kSame:
        return Found(RemoteFinding::kSame, compare.offset());
    case ContentCompare::Verdict::kDiffers:
        return Found(RemoteFinding::kContentDiffers, 0, compare.offset());
    case ContentCompare::Verdict::kRemoteShorter:
        return Found(RemoteFinding::kSizeDiffers, compare.offset());
    case ContentCompare::Verdict::kRemoteLonger:
        return Found(RemoteFinding::kLonger);
    case ContentCompare::Verdict::kLocalUnreadable:
    case ContentCompare::Verdict::kUndecided:
        break;
    }
    return NotAsked("送ったファイルを読めません");
}

RemoteFinding AskServer(const MachineRecord& machine, const std::string& remote_name, const char* local_path,
                        std::uint64_t local_size)
{
    // A session of its own, not the check's before the client: that one is
    // closed before the client starts, since a server that takes one session
    // per user or address (vsftpd's max_per_ip, pyftpdlib's
    // max_cons_per_ip) would refuse the client's login beside it, and one
    // kept idle through a long upload may be ended by the server's idle
    // limit (vsftpd's idle_session_timeout).
    FtpSession session;
    std::string why;
    switch (LogInToMachine(session, machine, why)) {
    case MachineLogin::kReady:
        break;
    case MachineLogin::kNoFolder: {
        // The client cannot have put the file into a folder the server refuses.
        RemoteFinding finding = Found(RemoteFinding::kNoFolder);
        finding.why = why;
        return finding;
    }
    case MachineLogin::kFailed:
        return NotAsked(why);
    }

    // A size that differs fails the check at once, without the read-back.
    // Without a listing, a 550 to SIZE means "no such file"; with neither
    // answer the read-back tells.
    RemoteLookup lookup;
    if (!LookUpRemoteName(session, remote_name, lookup)) return NotAsked(session.ErrorText());
    if (lookup.presence == RemoteLookup::kAbsent ||
        (lookup.presence == RemoteLookup::kUnknown && lookup.size_code == 550)) {
        session.Quit();
        return Found(RemoteFinding::kMissing);
    }
    if (lookup.sized && lookup.size != local_size) {
        session.Quit();
        return Found(RemoteFinding::kSizeDiffers, lookup.size);
    }
    RemoteFinding finding = ReadBack(session, remote_name, local_path);
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
    std::string folder = machine.has_initial_folder() ? machine.initial_folder.c_str() : "ログインフォルダ";
    MessageKind error_kind = client_failure_reported ? kListOnly : kError;
    MessageKind warning_kind = client_failure_reported ? kListOnly : kWarning;

    std::optional<std::uint64_t> sent_size = LocalFileSize(local_path);
    if (!sent_size) {
        PostText(main_window, warning_kind, "ファイル %s の転送を確認できませんでした：送ったファイルの大きさが読めません",
                 local_path);
        return 0;
    }
    std::uint64_t local_size = *sent_size;

    // The login, the look-up and the read-back take the server's time: the
    // window is served meanwhile.
    RemoteFinding found;
    RunServingWindows([&] { found = AskServer(machine, remote_name, local_path, local_size); });

    std::string differs;
    switch (found.kind) {
    case RemoteFinding::kSame:
        PostText(main_window, kListOnly, "... 転送確認済み %s (%s バイト、内容一致)", remote_name.c_str(),
                 Bytes(found.size).c_str());
        return 0;
    case RemoteFinding::kNotAsked:
        PostText(main_window, warning_kind, "ファイル %s の転送を確認できませんでした：%s", local_path, found.why.c_str());
        return 0;
    case RemoteFinding::kNoFolder:
        differs = "フォルダに移動できません（" + found.why + "）";
        break;
    case RemoteFinding::kMissing:
        differs = "ありません";
        break;
    case RemoteFinding::kSizeDiffers:
        differs = Bytes(found.size) + " バイト、送ったファイルは " + Bytes(local_size) + " バイト";
        break;
    case RemoteFinding::kLonger:
        differs = "送ったファイル（" + Bytes(local_size) + " バイト）より長いファイルです";
        break;
    case RemoteFinding::kContentDiffers:
        // Counted from 1, as a user counts bytes in an editor's hex view.
        differs = "同じ " + Bytes(local_size) + " バイトですが、" + Bytes(found.offset + 1) + " バイト目から内容が違います";
        break;
    }
    PostText(main_window, error_kind, "エラー：ファイル %s が正しく届いていません（フォルダ %s の %s：%s）", local_path,
             folder.c_str(), remote_name.c_str(), differs.c_str());
    return client_failure_reported ? 0 : -1;
}
