// Windows' own conversions between the ANSI code page (932 in the test
// prefix) and UTF-8, as the control file and our ftp.exe use them: exact
// or refused, never a best fit or a default character.
#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

namespace {

TEST(CodePage, ShiftJisAndUtf8ConvertExactlyOrNotAtAll)
{
    const struct {
        const char* what;
        std::string ansi;  // empty with ok false: the UTF-8 side is refused
        std::string utf8;
        bool ok;
    } cases[] = {
        {"ASCII", "put D:\\data\\O1234.NC O1234\n", "put D:\\data\\O1234.NC O1234\n", true},
        {"trail bytes 0x5C", "\x83\x5C\x95\x5C", "\xE3\x82\xBD\xE8\xA1\xA8", true},      // ソ表
        {"half-width kana", "\xB1", "\xEF\xBD\xB1", true},                                // ｱ
        {"NEC and IBM extensions", "\x87\x40\xFA\x40", "\xE2\x91\xA0\xE2\x85\xB0", true},  // ①ⅰ
        {"empty", "", "", true},
    };
    for (const auto& c : cases) {
        std::string utf8, ansi;
        EXPECT_EQ(AnsiToUtf8(c.ansi, utf8), c.ok) << c.what;
        EXPECT_EQ(utf8, c.utf8) << c.what;
        EXPECT_EQ(Utf8ToAnsi(c.utf8, ansi), c.ok) << c.what;
        EXPECT_EQ(ansi, c.ansi) << c.what;
    }

    const struct {
        const char* what;
        std::string ansi;
    } bad_ansi[] = {
        {"lead byte at the end", "a\x83"},
        {"lead byte before a blank", "\x83 "},
        {"unassigned code", "\x85\x40"},
        {"byte with no character", "\xA0"},
    };
    for (const auto& c : bad_ansi) {
        std::string utf8 = "x";
        EXPECT_FALSE(AnsiToUtf8(c.ansi, utf8)) << c.what;
        EXPECT_EQ(utf8, "") << c.what;
    }

    const struct {
        const char* what;
        std::string utf8;
    } bad_utf8[] = {
        {"e with an acute accent (best fit: e)", "caf\xC3\xA9"},
        {"Hangul", "\xED\x95\x9C"},
        {"emoji", "\xF0\x9F\x98\x80"},
        {"cut sequence", "\xE6\x97"},
        {"surrogate", "\xED\xA0\x80"},
        {"Shift-JIS bytes", "\x83\x5C\x95\x5C"},
    };
    for (const auto& c : bad_utf8) {
        std::string ansi = "x";
        EXPECT_FALSE(Utf8ToAnsi(c.utf8, ansi)) << c.what;
        EXPECT_EQ(ansi, "") << c.what;
    }
}

}  // namespace
