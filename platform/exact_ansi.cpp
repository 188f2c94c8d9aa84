#include "platform/exact_ansi.h"

#include <shellapi.h>

bool WideToExactAnsi(const wchar_t* wide, int length, std::string& ansi)
{
    ansi.clear();
    if (length == 0) return true;
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return false;
    ansi.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, ansi.data(), size, nullptr, &lossy);
    if (!lossy) return true;
    ansi.clear();
    return false;
}

bool DroppedPathInAnsi(HDROP drop, UINT index, std::string& path)
{
    UINT length = DragQueryFileW(drop, index, nullptr, 0);
    std::wstring wide(length + 1, L'\0');
    DragQueryFileW(drop, index, wide.data(), length + 1);
    return WideToExactAnsi(wide.c_str(), static_cast<int>(length), path);
}

bool AnsiToWide(const std::string& ansi, std::wstring& wide)
{
    wide.clear();
    if (ansi.empty()) return true;
    int length = static_cast<int>(ansi.size());
    int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length, nullptr, 0);
    if (size <= 0) return false;
    wide.assign(static_cast<std::size_t>(size), L'\0');
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), length, wide.data(), size) == size;
}
