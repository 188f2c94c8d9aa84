#include "platform/program_folder.h"

#include <windows.h>

#include "text/buffers.h"
#include "text/sjis.h"

namespace {

// The parts of the module path, each kept whole (up to the path buffer)
// rather than cut at SplitPath's usual 255 bytes: a cut folder would send
// every later path somewhere else. False when there is no module path.
bool ModuleParts(PathParts& parts)
{
    std::string path = ModulePath();
    if (path.empty()) return false;
    parts = SplitPath(path.c_str(), PathText::kSize - 1);
    return true;
}

}  // namespace

std::string ModulePath()
{
    char path[PathText::kSize] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(sizeof path));
    // A path that filled the buffer was cut (Windows then returns the size).
    if (length == 0 || length >= sizeof path) return std::string();
    return std::string(path, length);
}

std::string ProgramFolder()
{
    PathParts parts;
    return ModuleParts(parts) ? parts.drive + parts.directory : std::string();
}

std::string ProgramSettingsPath()
{
    PathParts parts;
    return ModuleParts(parts) ? parts.drive + parts.directory + parts.base_name + ".ini" : std::string();
}
