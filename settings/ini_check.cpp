#include "settings/ini_check.h"

#include <string>

#include "log/message_log.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "settings/ini_encoding.h"

namespace {

// Enough to see the encoding: Japanese appears in the first machine's name.
constexpr DWORD kHeadBytes = 16 * 1024;

}  // namespace

bool CheckIniFileEncoding(HWND owner, const char* path)
{
    std::string head(kHeadBytes, '\0');
    if (!ReadFileHead(path, head)) return true;
    IniEncoding encoding = SniffIniEncoding(head);
    SecureZeroMemory(head.data(), head.size());  // the machine table holds passwords
    if (encoding == IniEncoding::kAnsi) return true;
    RefuseProfileWrites(path);
    PostText(owner, kError,
             "エラー：%s は UTF-8%s で保存されているため、Vantrel は正しく読めません。"
             "メモ帳の［名前を付けて保存］で文字コードを ANSI にして保存し直してから、Vantrel を起動し直してください。"
             "それまでこのファイルには書き込みません",
             path, encoding == IniEncoding::kByteOrderMark ? " (BOM 付き)" : "");
    return false;
}
