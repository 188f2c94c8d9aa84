#include "ftp/command_line.h"

#include <array>
#include <utility>

#include "text/ascii.h"
#include "text/parse.h"

namespace {

struct CommandName {
    const char* name;
    ScriptCommand command;
};

constexpr std::array<CommandName, 21> kCommandNames = {{
    {"open", ScriptCommand::kOpen},
    {"user", ScriptCommand::kUser},
    {"binary", ScriptCommand::kBinary},
    {"ascii", ScriptCommand::kAscii},
    {"cd", ScriptCommand::kChangeDirectory},
    {"lcd", ScriptCommand::kLocalChangeDirectory},
    {"pwd", ScriptCommand::kPrintDirectory},
    {"put", ScriptCommand::kPut},
    {"send", ScriptCommand::kPut},
    {"get", ScriptCommand::kGet},
    {"recv", ScriptCommand::kGet},
    {"ls", ScriptCommand::kNameList},
    {"dir", ScriptCommand::kLongList},
    {"delete", ScriptCommand::kDelete},
    {"mkdir", ScriptCommand::kMakeDirectory},
    {"close", ScriptCommand::kClose},
    {"disconnect", ScriptCommand::kClose},
    {"quit", ScriptCommand::kQuit},
    {"bye", ScriptCommand::kQuit},
    {"prompt", ScriptCommand::kPrompt},
    {"verbose", ScriptCommand::kVerbose},
}};

}  // namespace

std::string_view SkipProgramName(std::string_view command_line)
{
    std::size_t pos = 0;
    while (pos < command_line.size() && IsBlank(command_line[pos])) ++pos;
    if (pos < command_line.size() && command_line[pos] == '"') {
        std::size_t close = command_line.find('"', pos + 1);
        pos = close == std::string_view::npos ? command_line.size() : close + 1;
    }
    while (pos < command_line.size() && !IsBlank(command_line[pos])) ++pos;
    while (pos < command_line.size() && IsBlank(command_line[pos])) ++pos;
    return command_line.substr(pos);
}

std::vector<std::string> SplitWords(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (IsBlank(c) || c == '\r' || c == '\n')) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}

std::vector<std::string> SplitSingleBlankArguments(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    std::vector<std::string> arguments;
    if (text.empty()) return arguments;
    std::string argument;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            arguments.push_back(std::move(argument));
            argument.clear();
        } else {
            argument += c;
        }
    }
    arguments.push_back(std::move(argument));
    return arguments;
}

ScriptCommand LookUpScriptCommand(std::string_view word)
{
    if (word.empty()) return ScriptCommand::kUnknown;
    const CommandName* found = nullptr;
    for (const CommandName& entry : kCommandNames) {
        std::string_view name = entry.name;
        if (name.size() == word.size() && StartsWithIgnoreAsciiCase(name, word)) return entry.command;
        if (StartsWithIgnoreAsciiCase(name, word)) {
            if (found != nullptr && found->command != entry.command) return ScriptCommand::kAmbiguous;
            found = &entry;
        }
    }
    return found != nullptr ? found->command : ScriptCommand::kUnknown;
}

bool ParseFtpExeArguments(std::string_view arguments, FtpExeArguments& out, std::string& error)
{
    out = FtpExeArguments{};
    for (const std::string& word : SplitWords(arguments)) {
        if (word.size() >= 2 && word[0] == '-') {
            if (word == "--strict") {
                out.strict = true;
            } else if (StartsWithIgnoreAsciiCase(word, "-s:")) {
                out.script_path = word.substr(3);
                if (out.script_path.empty()) {
                    error = word;
                    return false;
                }
            } else if (word.size() == 2 && (word[1] == 'n' || word[1] == 'N')) {
                out.auto_login = false;
            } else if (word.size() == 2 && (word[1] == 'v' || word[1] == 'V')) {
                out.show_replies = false;
            } else if (word.size() == 2 && std::string_view("iIdDgG").find(word[1]) != std::string_view::npos) {
                // Interactive prompting, debugging and globbing: nothing of ours depends on them.
            } else {
                error = word;
                return false;
            }
        } else if (out.host.empty()) {
            out.host = word;
        } else {
            error = word;
            return false;
        }
    }
    return true;
}
