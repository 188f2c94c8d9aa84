// filelist.exe ADDRESS USER PASSWORD [FOLDER]
// Lists the names in FOLDER (or the login folder) of an FTP server into
// tmp\filelist.tmp of the program's own folder, one name per line with CR LF,
// and exits 0. On any failure no such file exists afterwards (the list is
// written under another name and renamed at the end; a list left by an
// earlier run is removed first) and the exit status is non-zero, so that the
// caller never shows a stale or partial list. A GUI-subsystem program: the
// caller starts it shown normally and waits for it, and a console window
// would flash up. What happened goes to standard error when there is one,
// and always to tmp\filelist.log. It offers OPTS UTF8 ON where the system's
// ftp.exe does (its file version), so that the names listed are those the
// client will see and write; they are listed in Shift-JIS either way.
#include <winsock2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ftp/command_line.h"
#include "ftp/session.h"
#include "ftp/system_client.h"
#include "platform/program_folder.h"

namespace {

class RunLog {
public:
    explicit RunLog(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {}
    ~RunLog()
    {
        if (file_ != nullptr) std::fclose(file_);
    }
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void Line(const std::string& text)
    {
        if (file_ != nullptr) {
            std::fprintf(file_, "%s\n", text.c_str());
            std::fflush(file_);
        }
        HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
        if (error != nullptr && error != INVALID_HANDLE_VALUE) {
            std::string line = text + "\r\n";
            DWORD written = 0;
            WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    }

private:
    std::FILE* file_;
};

bool WriteNames(const std::string& path, const std::vector<std::string>& names)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = true;
    for (const std::string& name : names) {
        ok = ok && std::fwrite(name.data(), 1, name.size(), file) == name.size() && std::fwrite("\r\n", 1, 2, file) == 2;
    }
    return std::fclose(file) == 0 && ok;
}

int Fail(RunLog& log, const std::string& why)
{
    log.Line("filelist: " + why);
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::string folder = ProgramFolder();
    std::string list_path = folder + "tmp\\filelist.tmp";
    std::string partial_path = list_path + ".new";
    RunLog log(folder + "tmp\\filelist.log");
    DeleteFileA(list_path.c_str());

    // The caller separates the values with single blanks and quotes none:
    // an empty value shows as two blanks in a row and keeps its place.
    std::vector<std::string> arguments = SplitSingleBlankArguments(GetCommandLineA());
    if (!arguments.empty()) arguments.erase(arguments.begin());
    if (arguments.size() < 3 || arguments.size() > 4) {
        return Fail(log, "使い方: filelist.exe アドレス ユーザー名 パスワード [フォルダー] (引数 " +
                             std::to_string(arguments.size()) + " 個)");
    }
    const std::string& address = arguments[0];
    const std::string& user = arguments[1];
    const std::string& password = arguments[2];
    std::string remote_folder = arguments.size() > 3 ? arguments[3] : std::string();

    FtpSession session;
    std::string refused;
    session.set_timeouts(TimeoutsFromEnvironment(&refused));
    if (!refused.empty()) log.Line("filelist: " + refused);
    session.set_reply_sink([&log](const std::string& line) { log.Line(line); });
    session.set_offer_utf8(ClientOffersUtf8(SystemFtpClientVersion()));
    if (!session.Open(address)) return Fail(log, session.ErrorText());
    if (!session.Login(user, password)) return Fail(log, "ログインできません: " + session.ErrorText());
    if (!remote_folder.empty() && !session.ChangeDirectory(remote_folder)) {
        return Fail(log, "フォルダー " + remote_folder + " に移動できません: " + session.ErrorText());
    }
    std::string listing;
    if (!session.NameList(std::string(), listing)) return Fail(log, "一覧を取得できません: " + session.ErrorText());
    session.Quit();

    std::vector<std::string> names = SplitNameList(listing);
    if (!WriteNames(partial_path, names) ||
        !MoveFileExA(partial_path.c_str(), list_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD error = GetLastError();
        DeleteFileA(partial_path.c_str());
        return Fail(log, list_path + " を書き込めません (エラー " + std::to_string(error) + ")");
    }
    if (session.names_left_out() > 0) {
        log.Line("filelist: Shift-JIS で書けない名前 " + std::to_string(session.names_left_out()) + " 件は一覧に入れません。");
    }
    log.Line("filelist: " + std::to_string(names.size()) + " 件");
    return 0;
}
