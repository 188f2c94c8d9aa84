#pragma once

#include <string_view>

// What the start of a settings file or machine table says of its encoding.
// Windows' private-profile functions read the ANSI code page (Shift-JIS) and
// know no byte order mark: a UTF-8 BOM is part of the first line, so the
// section named there is not found, and UTF-8 Japanese is read as other
// characters. Notepad of Windows 10 1903 and later saves new and edited
// files as UTF-8 (without BOM; "UTF-8 (BOM 付き)" on request).
enum class IniEncoding {
    kAnsi,         // ASCII only, or text that reads as Shift-JIS
    kByteOrderMark,  // starts with EF BB BF
    kUtf8,         // valid UTF-8 with Japanese in it, which Shift-JIS would misread
};

// `head`: the first bytes of the file (a few KiB are plenty). UTF-8 is taken
// when the bytes are valid UTF-8 with at least one multi-byte character and
// either are no valid Shift-JIS or hold a character of three or more UTF-8
// bytes (U+0800 on: kana, kanji, full-width forms). Shift-JIS text is almost
// never valid UTF-8: its lead bytes 81-9F are UTF-8 continuation bytes. The
// one overlap of note, two half-width kana such as "ﾃｽ" (C3 BD, "ý" in
// UTF-8), is valid Shift-JIS with no long character and stays Shift-JIS.
IniEncoding SniffIniEncoding(std::string_view head);
