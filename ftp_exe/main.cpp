// ftp.exe: a command-line FTP client for systems that ship none, reading
// control scripts with "-s:" the way the Windows client does and, unless
// --strict is given, behaving as that client does (script_runner.h).
#include <winsock2.h>

#include <cstdio>
#include <string>

#include "ftp/command_line.h"
#include "ftp/system_client.h"
#include "ftp_exe/output.h"
#include "ftp_exe/script_runner.h"
#include "text/script_encoding.h"

int main()
{
    BufferOutput();
    FtpExeArguments arguments;
    std::string bad_word;
    if (!ParseFtpExeArguments(SkipProgramName(GetCommandLineA()), arguments, bad_word)) {
        PrintLine("ftp: 不明なオプション " + bad_word);
        PrintLine("使い方: ftp [-v] [-n] [-s:ファイル名] [--strict] [ホスト]");
        PrintLine("  --strict  最初に失敗したコマンドで止まり終了コード 1、パッシブモード優先、待ち時間に上限あり");
        return 2;
    }
    // Which Windows client this one stands for is its own file version
    // (ftp.rc), as Vantrel reads it from the ftp.exe in the system folder:
    // 6.2 and later read the script in UTF-8 and offer OPTS UTF8 ON.
    ClientVersion version = OwnFileVersion();
    std::FILE* commands = stdin;
    ScriptEncoding encoding = ScriptEncoding::kAnsi;
    if (!arguments.script_path.empty()) {
        commands = std::fopen(arguments.script_path.c_str(), "rb");
        if (commands == nullptr) {
            PrintLine("Error opening script file " + arguments.script_path + ".");
            return 2;
        }
        if (ClientReadsUtf8(version)) encoding = ScriptEncoding::kUtf8;
    }
    ScriptRunner runner(commands, arguments, encoding, ClientOffersUtf8(version));
    int status = runner.Run();
    if (commands != stdin) std::fclose(commands);
    return status;
}
