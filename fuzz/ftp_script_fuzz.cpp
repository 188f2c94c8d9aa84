// Our ftp.exe's command line and the lines of a control script.
#include "fuzz_input.h"
#include "ftp/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string line(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> words = SplitWords(line);
    std::size_t quotes = CountOf(line, '"');
    for (const std::string& word : words) {
        FUZZ_CHECK(word.find('"') == std::string::npos);
        FUZZ_CHECK(word.size() <= line.size());
    }
    if (quotes == 0) {
        // Without quotes the words are the blank-separated pieces, none empty.
        for (const std::string& word : words) FUZZ_CHECK(!word.empty() && word.find_first_of(" \t") == std::string::npos);
    }
    if (!words.empty()) {
        ScriptCommand command = LookUpScriptCommand(words[0]);
        (void)command;
    }

    std::string_view rest = SkipProgramName(line);
    FUZZ_CHECK(rest.size() <= line.size());
    FUZZ_CHECK(rest.data() >= line.data() && rest.data() + rest.size() <= line.data() + line.size());

    std::vector<std::string> arguments = SplitSingleBlankArguments(line);
    if (quotes == 0 && !arguments.empty()) {
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == '\n')) trimmed.pop_back();
        FUZZ_CHECK(arguments.size() == CountOf(trimmed, ' ') + 1);
    }

    FtpExeArguments parsed;
    std::string error;
    bool parsed_ok = ParseFtpExeArguments(line, parsed, error);
    if (!parsed_ok && quotes == 0) FUZZ_CHECK(!error.empty() && line.find(error) != std::string::npos);
    return 0;
}
