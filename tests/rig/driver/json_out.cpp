#include "tests/rig/driver/json_out.h"

#include <cstdio>

std::string JsonQuote(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return out + "\"";
}

std::string JsonQuoteAscii(const std::string& text)
{
    return JsonQuote(std::wstring(text.begin(), text.end()));
}

std::string HandleText(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
    return text;
}

std::string AnsiHex(const std::wstring& text)
{
    if (text.empty()) return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    std::string hex;
    for (unsigned char byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

JsonObject& JsonObject::Raw(const char* key, const std::string& json)
{
    if (!body_.empty()) body_ += ",";
    body_ += JsonQuoteAscii(key) + ":" + json;
    return *this;
}

JsonObject& JsonObject::Text(const char* key, const std::wstring& text) { return Raw(key, JsonQuote(text)); }
JsonObject& JsonObject::Ascii(const char* key, const std::string& text) { return Raw(key, JsonQuoteAscii(text)); }
JsonObject& JsonObject::Int(const char* key, long long value) { return Raw(key, std::to_string(value)); }
JsonObject& JsonObject::Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::Handle(const char* key, HWND window) { return Raw(key, JsonQuoteAscii(HandleText(window))); }
