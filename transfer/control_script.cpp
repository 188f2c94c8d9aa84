#include "transfer/control_script.h"

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
    AddLine(head, "open", machine.address.c_str());
    AddLine(head, nullptr, machine.user_name.c_str());
    AddLine(head, nullptr, machine.password.c_str());
    AddLine(head, nullptr, "binary");
    if (machine.fields_read == 4) AddLine(head, "cd", machine.initial_folder.c_str());
    return head;
}

std::string PutCommandLine(const char* local_path, int extension_flag)
{
    std::string line = "put ";
    line += QuoteIfBlank(local_path);
    if (extension_flag == 0) {
        line += ' ';
        line += QuoteIfBlank(SplitPath(local_path).base_name);
    }
    line += '\n';
    return line;
}

std::string ClientParameters(const char* control_file_path)
{
    return "-s:" + QuoteIfBlank(control_file_path);
}
