#include "platform/files.h"

#include <windows.h>

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool ReadFileHead(const char* path, std::string& head)
{
    // Others may go on writing or replace the file meanwhile (an editor saving it).
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        head.clear();
        return false;
    }
    DWORD read = 0;
    BOOL ok = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    CloseHandle(file);
    head.resize(ok ? read : 0);
    return ok != FALSE;
}

bool DeleteFileHeldBriefly(const char* path)
{
    for (int attempt = 1;; ++attempt) {
        if (DeleteFileA(path)) return true;
        DWORD error = GetLastError();
        bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
        if (!held || attempt == kDeleteTries) return false;
        Sleep(kDeleteRetryMs);
    }
}
