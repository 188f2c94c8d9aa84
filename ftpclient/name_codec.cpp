#include "ftpclient/name_codec.h"

#include <windows.h>

namespace {

std::string Convert(const std::string& text, UINT from, UINT to)
{
    if (text.empty()) return text;
    int wide_length = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide_length <= 0) return text;
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), wide_length);
    int length = WideCharToMultiByte(to, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return text;
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wide_length, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace

std::string ToWireName(const std::string& shown, WireEncoding encoding)
{
    return encoding == WireEncoding::kUtf8 ? Convert(shown, CP_ACP, CP_UTF8) : shown;
}

std::string ToShownName(const std::string& wire, WireEncoding encoding)
{
    return encoding == WireEncoding::kUtf8 ? Convert(wire, CP_UTF8, CP_ACP) : wire;
}
