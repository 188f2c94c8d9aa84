#include <gtest/gtest.h>

#include <string>

#include "settings/ini_encoding.h"

namespace {

// What Notepad writes and what the program writes, told apart by the first bytes.
TEST(IniEncoding, Utf8FromNotepadIsToldFromShiftJis)
{
    struct Case {
        const char* what;
        std::string head;
        IniEncoding encoding;
    };
    const Case cases[] = {
        {"empty", "", IniEncoding::kAnsi},
        {"ASCII only", "[table]\r\nmachine=machines.ini\r\n", IniEncoding::kAnsi},
        {"BOM before ASCII", "\xEF\xBB\xBF[table]\r\n", IniEncoding::kByteOrderMark},
        {"BOM alone", "\xEF\xBB\xBF", IniEncoding::kByteOrderMark},
        {"Shift-JIS kana and kanji", "[machine]\r\nmachine0=\x83\x65\x83\x58\x83\x67\x8B\x40\r\n", IniEncoding::kAnsi},
        {"Shift-JIS half-width kana pair that is also UTF-8 (C3 BD)", "name=\xC3\xBD\r\n", IniEncoding::kAnsi},
        {"UTF-8 katakana", "machine0=\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\n", IniEncoding::kUtf8},
        {"UTF-8 hiragana that also reads as Shift-JIS", "x=\xE3\x81\x82\xE3\x81\x84\r\n", IniEncoding::kUtf8},
        {"UTF-8 full-width digits", "address=\xEF\xBC\x91\xEF\xBC\x99\r\n", IniEncoding::kUtf8},
        {"UTF-8 two-byte Latin that is not Shift-JIS", "x=caf\xC3\xA9 \xC2\x80\r\n", IniEncoding::kUtf8},
        {"head cut inside a UTF-8 character", "machine0=\xE3\x83\x86\xE3\x83", IniEncoding::kUtf8},
        {"a stray continuation byte", "x=\x83\x65\xE3\x83\x86", IniEncoding::kAnsi},
        {"an overlong form is no UTF-8", "x=\xE0\x80\xAF\xE3\x83\x86", IniEncoding::kAnsi},
        {"a surrogate is no UTF-8", "x=\xED\xA0\x80", IniEncoding::kAnsi},
        {"binary junk", std::string("\x00\xFF\xFE\x10\x80", 5), IniEncoding::kAnsi},
    };
    for (const Case& c : cases) EXPECT_EQ(SniffIniEncoding(c.head), c.encoding) << c.what;
}

}  // namespace
