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
#include "transfer/content_compare.h"
#include "transfer/control_script.h"

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

// What the folder's listing says of `name`: false when neither LIST nor
// NLST could be had. A LIST whose lines are in the Unix or DOS form gives
// the size; a listing of another form can only say whether the name is
// there, which NLST tells for sure.
bool FindInListing(FtpSession& session, const std::string& name, bool& listed, bool& sized, std::uint64_t& size)
{
    listed = sized = false;
    std::string listing;
    if (session.LongList(std::string(), listing)) {
        bool understood = false;
        for (const std::string& line : SplitNameList(listing)) {
            ListEntry entry;
            if (!ParseListLine(line, entry)) continue;
            understood = true;
            if (entry.name == name && !entry.is_directory) {
                listed = sized = true;
                size = entry.size;
                return true;
            }
        }
        if (understood) return true;
    }
    if (!session.IsOpen() || !session.NameList(std::string(), listing)) return false;
    for (const std::string& entry : SplitNameList(listing)) listed = listed || entry == name;
    return true;
}

// The local file, read in blocks by the comparison.
struct LocalFile {
    explicit LocalFile(const char* path)
        : handle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~LocalFile()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    long long Read(char* into, std::size_t capacity)
    {
        DWORD read = 0;
        if (!ReadFile(handle, into, static_cast<DWORD>(capacity), &read, nullptr)) return -1;
        return read;
    }
    HANDLE handle;
};

// Reads the remote file back and compares it with the local one as it arrives.
RemoteFinding ReadBack(FtpSession& session, const std::string& remote_name, const char* local_path)
{
    LocalFile local(local_path);
    if (local.handle == INVALID_HANDLE_VALUE) return NotAsked("送ったファイルを読めません");
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
        RemoteFinding finding = Found(RemoteFinding::kNoFolder);
        finding.why = session.ErrorText();
        session.Quit();
        return finding;
    }
    // The read-back is binary; and servers answer SIZE in ASCII mode with
    // 550 or a converted size.
    if (!session.SetBinary(true) && !session.IsOpen()) return NotAsked(session.ErrorText());

    // A size that differs fails the check at once, without the read-back.
    std::uint64_t size = 0;
    bool sized = session.Size(remote_name, size);
    if (!sized) {
        if (!session.IsOpen()) return NotAsked(session.ErrorText());
        // No SIZE (500, 502), or 550, which also means "no such file": the
        // listing tells which. Without a listing the read-back tells.
        int size_code = session.last_code();
        bool listed = false;
        if (FindInListing(session, remote_name, listed, sized, size) || size_code == 550) {
            if (!listed) {
                session.Quit();
                return Found(RemoteFinding::kMissing);
            }
        } else if (!session.IsOpen()) {
            return NotAsked(session.ErrorText());
        }
    }
    if (sized && size != local_size) {
        session.Quit();
        return Found(RemoteFinding::kSizeDiffers, size);
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
    std::string folder = machine.fields_read == 4 ? machine.initial_folder.c_str() : "ログインフォルダ";
    int error_kind = client_failure_reported ? kListOnly : kError;
    int warning_kind = client_failure_reported ? kListOnly : kWarning;

    WIN32_FILE_ATTRIBUTE_DATA local = {};
    if (!GetFileAttributesExA(local_path, GetFileExInfoStandard, &local) ||
        (local.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        PostText(main_window, warning_kind, "ファイル %s の転送を確認できませんでした：送ったファイルの大きさが読めません",
                 local_path);
        return 0;
    }
    std::uint64_t local_size = (static_cast<std::uint64_t>(local.nFileSizeHigh) << 32) | local.nFileSizeLow;

    RemoteFinding found = AskServer(machine, remote_name, local_path, local_size);

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
