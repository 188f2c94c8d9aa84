#pragma once

#include <windows.h>

#include <string>

// A JSON object written field by field, ASCII only: every non-ASCII
// character is a \u escape of its UTF-16 unit, so the output is the same
// bytes whatever code page the console or pipe uses.
class JsonObject {
public:
    JsonObject& Raw(const char* key, const std::string& json);
    JsonObject& Text(const char* key, const std::wstring& text);
    JsonObject& Ascii(const char* key, const std::string& text);
    JsonObject& Int(const char* key, long long value);
    JsonObject& Bool(const char* key, bool value);
    JsonObject& Handle(const char* key, HWND window);
    std::string Str() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

std::string JsonQuote(const std::wstring& text);
std::string JsonQuoteAscii(const std::string& text);
std::string HandleText(HWND window);
// Code page 932 bytes of a text, as lower-case hex.
std::string AnsiHex(const std::wstring& text);
