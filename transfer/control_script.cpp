#include "transfer/control_script.h"

#include "text/parse.h"
#include "text/sjis.h"

std::string ControlFileHead(const MachineRecord& machine)
{
    std::string head;
    head += "open " + std::string(machine.address.c_str()) + "\n";
    head += std::string(machine.user_name.c_str()) + "\n";
    head += std::string(machine.password.c_str()) + "\n";
    head += "binary\n";
    if (machine.fields_read == 4) head += "cd " + std::string(machine.initial_folder.c_str()) + "\n";
    return head;
}

std::string PutCommandLine(const char* local_path, int extension_flag)
{
    std::string line = "put " + QuoteIfBlank(local_path);
    if (extension_flag == 0) line += " " + QuoteIfBlank(SplitPath(local_path).base_name);
    return line + "\n";
}

std::string ClientParameters(const char* control_file_path)
{
    return "-s:" + QuoteIfBlank(control_file_path);
}
