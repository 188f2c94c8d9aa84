#pragma once

// The cases that both conversions between Shift-JIS and UTF-8 must meet
// (text/code_page.h): Windows' own, checked under Wine, and iconv's, which
// stands in for it in the native tests of the code built on it.
#include <gtest/gtest.h>

#include <string>

#include "text/code_page.h"

inline void ExpectExactConversionsOrRefusals()
{
    // Converted both ways, byte for byte.
    const struct {
        const char* what;
        std::string ansi;
        std::string utf8;
    } cases[] = {
        {"ASCII", "put D:\\data\\O1234.NC O1234\n", "put D:\\data\\O1234.NC O1234\n"},
        {"trail bytes 0x5C", "\x83\x5C\x95\x5C", "\xE3\x82\xBD\xE8\xA1\xA8"},      // ソ表
        {"half-width kana", "\xB1", "\xEF\xBD\xB1"},                                // ｱ
        {"NEC and IBM extensions", "\x87\x40\xFA\x40", "\xE2\x91\xA0\xE2\x85\xB0"},  // ①ⅰ
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        std::string utf8, ansi;
        EXPECT_TRUE(AnsiToUtf8(c.ansi, utf8)) << c.what;
        EXPECT_EQ(utf8, c.utf8) << c.what;
        EXPECT_TRUE(Utf8ToAnsi(c.utf8, ansi)) << c.what;
        EXPECT_EQ(ansi, c.ansi) << c.what;
    }

    // Refused with an empty result: what the one side has no character for.
    const struct {
        const char* what;
        bool from_ansi;
        std::string text;
    } refused[] = {
        {"lead byte at the end", true, "a\x83"},
        {"lead byte before a blank", true, "\x83 "},
        {"unassigned code", true, "\x85\x40"},
        {"byte with no character", true, "\xA0"},
        {"e with an acute accent (best fit: e)", false, "caf\xC3\xA9"},
        {"Hangul", false, "\xED\x95\x9C"},
        {"emoji", false, "\xF0\x9F\x98\x80"},
        {"cut sequence", false, "\xE6\x97"},
        {"surrogate", false, "\xED\xA0\x80"},
        {"Shift-JIS bytes", false, "\x83\x5C\x95\x5C"},
    };
    for (const auto& c : refused) {
        std::string out = "x";
        EXPECT_FALSE(c.from_ansi ? AnsiToUtf8(c.text, out) : Utf8ToAnsi(c.text, out)) << c.what;
        EXPECT_EQ(out, "") << c.what;
    }
}
