#include "text/code_page.h"

#include <windows.h>

#include <climits>

#include "text/script_encoding.h"

namespace {

// Through UTF-16, the only way Windows converts between code pages. The
// wide copy is cleared before it is given up.
bool Convert(UINT from, UINT to, DWORD to_flags, std::string_view text, std::string& out)
{
    out.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX / 4) return false;
    int length = static_cast<int>(text.size());
    int wide_length = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (wide_length <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), wide_length);
    // UTF-8 takes no default character and no used-default flag (the call
    // fails with them); the flag catches what the ANSI code page cannot write.
    BOOL used_default = FALSE;
    BOOL* lossy = to == CP_UTF8 ? nullptr : &used_default;
    int size = WideCharToMultiByte(to, to_flags, wide.data(), wide_length, nullptr, 0, nullptr, lossy);
    if (size > 0 && !used_default) {
        out.assign(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(to, to_flags, wide.data(), wide_length, out.data(), size, nullptr, lossy);
    }
    SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
    if (size <= 0 || used_default) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace

bool AnsiToUtf8(std::string_view ansi, std::string& utf8)
{
    return Convert(CP_ACP, CP_UTF8, WC_ERR_INVALID_CHARS, ansi, utf8);
}

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi)
{
    return Convert(CP_UTF8, CP_ACP, WC_NO_BEST_FIT_CHARS, utf8, ansi);
}

VersionNumber ReportedSystemVersion()
{
    // GetVersionEx reports the real version only to a program whose manifest
    // declares it (ours declare Windows 10 and 11); without the declaration
    // Windows 8.1, 10 and 11 report 6.2, which still counts as Windows 8. A
    // compatibility mode makes it report the older system chosen there.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return {};
#pragma GCC diagnostic pop
    return {version.dwMajorVersion, version.dwMinorVersion};
}

ScriptEncoding SystemScriptEncoding()
{
    VersionNumber version = ReportedSystemVersion();
    return ScriptEncodingFor(version.major, version.minor);
}
