#include "platform/profile.h"

#include <windows.h>

#include <string>
#include <vector>

std::size_t ReadProfileText(const char* section, const char* key, char* out, std::size_t size,
                            const char* path)
{
    std::vector<char> wide_enough(size + 2, '\0');
    GetPrivateProfileStringA(section, key, "", wide_enough.data(), static_cast<DWORD>(wide_enough.size()),
                             path);
    return CopyWholeChars(out, size, wide_enough.data());
}

int ReadProfileInt(const char* section, const char* key, int default_value, const char* path)
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, default_value, path));
}

namespace {

// The files of this run whose writes are refused: the settings file and
// the machine table at most.
std::vector<std::string>& RefusedFiles()
{
    static std::vector<std::string> files;
    return files;
}

bool WritesRefused(const char* path)
{
    for (const std::string& file : RefusedFiles()) {
        if (lstrcmpiA(file.c_str(), path) == 0) return true;
    }
    return false;
}

}  // namespace

void RefuseProfileWrites(const char* path)
{
    if (!WritesRefused(path)) RefusedFiles().push_back(path);
}

bool WriteProfileText(const char* section, const char* key, const char* value, const char* path)
{
    return !WritesRefused(path) && WritePrivateProfileStringA(section, key, value, path) != FALSE;
}

bool DeleteProfileSection(const char* section, const char* path)
{
    return !WritesRefused(path) && WritePrivateProfileStringA(section, nullptr, nullptr, path) != FALSE;
}
