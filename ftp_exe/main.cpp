// ftp.exe: a command-line FTP client for systems that ship none, reading
// control scripts with "-s:" the way the Windows client does.
#include <winsock2.h>

#include <cstdio>
#include <string>

#include "ftp/command_line.h"
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
        PrintLine("使い方: ftp [-v] [-n] [-s:ファイル名] [ホスト]");
        return 2;
    }
    std::FILE* commands = stdin;
    ScriptEncoding encoding = ScriptEncoding::kAnsi;
    if (!arguments.script_path.empty()) {
        commands = std::fopen(arguments.script_path.c_str(), "rb");
        if (commands == nullptr) {
            PrintLine("Error opening script file " + arguments.script_path + ".");
            return 2;
        }
        // As the Windows client does: UTF-8 on Windows 8 and later.
        encoding = SystemScriptEncoding();
    }
    ScriptRunner runner(commands, arguments, encoding);
    int status = runner.Run();
    if (commands != stdin) std::fclose(commands);
    return status;
}
