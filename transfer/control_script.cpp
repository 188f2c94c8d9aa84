#include "transfer/control_script.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "text/code_page.h"
#include "text/parse.h"
#include "text/sjis.h"

namespace {

void AddLine(std::string& text, const char* word, const char* value)
{
    if (word != nullptr) {
        text += word;
        text += ' ';
    }
    text += value;
    text += '\n';
}

}  // namespace

std::string ControlFileHead(const MachineRecord& machine)
{
    std::string head;
    // Room for every line at once: a string that grows leaves copies of the
    // password behind in the blocks it gives up, which nobody clears.
    head.reserve(256);
    head += OpenLine(machine.address.c_str());
    AddLine(head, nullptr, machine.user_name.c_str());
    AddLine(head, nullptr, machine.password.c_str());
    AddLine(head, nullptr, "binary");
    if (machine.has_initial_folder()) AddLine(head, "cd", QuoteIfBlank(machine.initial_folder.c_str()).c_str());
    return head;
}

std::string OpenLine(const char* address)
{
    std::string_view text = address;
    std::size_t colon = text.rfind(':');
    std::string_view port = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    bool has_port = colon != 0 && colon == text.find(':') && !port.empty() && port.size() <= 5 &&
                    port.find_first_not_of("0123456789") == std::string_view::npos;
    std::string line = "open ";
    if (has_port) {
        line.append(text.substr(0, colon));
        line += ' ';
        line.append(port);
    } else {
        line.append(text);
    }
    line += '\n';
    return line;
}

std::string PutCommandLine(const char* local_path, int extension_flag)
{
    std::string line = "put ";
    line += QuoteIfBlank(local_path);
    if (extension_flag == 0) {
        line += ' ';
        line += QuoteIfBlank(RemoteName(local_path, extension_flag));
    }
    line += '\n';
    return line;
}

std::string RemoteName(const char* local_path, int extension_flag)
{
    PathParts parts = SplitPath(local_path);
    return extension_flag == 0 ? parts.base_name : parts.base_name + parts.extension;
}

bool RemoteNameTooLong(const char* local_path, int extension_flag)
{
    PathParts parts = SplitPath(local_path, std::strlen(local_path));
    std::size_t length = parts.base_name.size() + (extension_flag == 0 ? 0 : parts.extension.size());
    return length > kLongestRemoteName;
}

bool IsLeftoverControlFile(std::string_view name)
{
    constexpr std::string_view kExtension = ".txt";
    return name.size() > kExtension.size() &&
           EqualsIgnoreAsciiCase(name.substr(name.size() - kExtension.size()), kExtension) &&
           name.find(".lnk") == std::string_view::npos;
}

std::string ClientParameters(const char* control_file_path)
{
    PathParts parts = SplitPath(control_file_path);
    return "-s:" + parts.base_name + parts.extension;
}

namespace {

bool HasAny(const char* text, const char* bytes) { return std::strpbrk(text, bytes) != nullptr; }

bool ConvertsToUtf8(const char* text)
{
    std::string utf8;
    bool converts = AnsiToUtf8(text, utf8);
    std::fill(utf8.begin(), utf8.end(), '\0');
    return converts;
}

}  // namespace

const char* ControlScriptFault(const MachineRecord& machine, const char* local_path, ScriptEncoding encoding)
{
    // The client reads one command per line, and splits the open, cd and put
    // lines into words at blanks and double quotes: a line break in any value
    // would start a command of its own, a quote would move the words.
    if (local_path[0] == '\0' || HasAny(local_path, "\r\n\""))
        return "エラー：改行か「\"」を含むパスのファイルは転送できません";
    if (HasAny(machine.address.c_str(), "\r\n\"") || HasAny(machine.user_name.c_str(), "\r\n") ||
        HasAny(machine.password.c_str(), "\r\n") || HasAny(machine.initial_folder.c_str(), "\r\n\""))
        return "エラー：マシニングの設定値に改行か「\"」が含まれています";
    if (encoding == ScriptEncoding::kUtf8) {
        if (!ConvertsToUtf8(local_path))
            return "エラー：パスに Shift-JIS として読めない文字があるため、コントロールファイルを UTF-8 で書けません";
        for (const char* value : {machine.address.c_str(), machine.user_name.c_str(), machine.password.c_str(),
                                  machine.initial_folder.c_str()}) {
            if (!ConvertsToUtf8(value))
                return "エラー：マシニングの設定値に Shift-JIS として読めない文字があるため、コントロールファイルを UTF-8 "
                       "で書けません";
        }
    }
    return nullptr;
}
