// The control file written for a drop, from arbitrary machine-record bytes
// (as the profile functions could hand them over) and dropped paths. Read
// back the way our ftp.exe reads it, it must hold exactly the commands the
// program meant: no value may end a line early and start a command of its own.
#include "fuzz_input.h"
#include "ftp/command_line.h"
#include "transfer/control_script.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        FUZZ_CHECK(end != std::string::npos);  // every line ends in a line feed
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    std::vector<std::string> f = Fields(data + 1, size - 1, 5);
    MachineRecord machine;
    machine.address.Assign(f[0].c_str());
    machine.user_name.Assign(f[1].c_str());
    machine.password.Assign(f[2].c_str());
    machine.initial_folder.Assign(f[3].c_str());
    machine.fields_read = data[0] & 7;
    machine.extension_flag = (data[0] >> 3) % 3 - 1;
    const std::string& path = f[4];

    bool refused = ControlScriptFault(machine, path.c_str(), ScriptEncoding::kAnsi) != nullptr;
    std::string head = ControlFileHead(machine);
    std::string put = PutCommandLine(path.c_str(), machine.extension_flag);
    if (refused) return 0;

    std::vector<std::string> lines = Lines(head + put + kQuitLine);
    std::size_t head_lines = machine.has_initial_folder() ? 5 : 4;
    FUZZ_CHECK(lines.size() == head_lines + 2);
    FUZZ_CHECK(lines[0].rfind("open ", 0) == 0);
    FUZZ_CHECK(lines[1] == machine.user_name.c_str());
    FUZZ_CHECK(lines[2] == machine.password.c_str());
    FUZZ_CHECK(lines[3] == "binary");
    if (head_lines == 5) {
        std::vector<std::string> cd = SplitWords(lines[4]);
        FUZZ_CHECK(cd.size() >= 1 && cd[0] == "cd");
        if (machine.initial_folder.c_str()[0] != '\0') FUZZ_CHECK(cd.size() == 2 && cd[1] == machine.initial_folder.c_str());
    }
    std::vector<std::string> words = SplitWords(lines[head_lines]);
    FUZZ_CHECK(words.size() >= 2 && words[0] == "put" && words[1] == path);
    FUZZ_CHECK(words.size() <= 3);
    FUZZ_CHECK(lines.back() == "quit");
    return 0;
}
