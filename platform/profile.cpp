#include "platform/profile.h"

#include <windows.h>

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

bool WriteProfileText(const char* section, const char* key, const char* value, const char* path)
{
    return WritePrivateProfileStringA(section, key, value, path) != FALSE;
}

bool DeleteProfileSection(const char* section, const char* path)
{
    return WritePrivateProfileStringA(section, nullptr, nullptr, path) != FALSE;
}
