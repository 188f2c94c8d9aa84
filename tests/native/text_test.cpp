// Shift-JIS aware text helpers. Literals below are Shift-JIS at run time
// (-fexec-charset=CP932): "ソ" is 83 5C, "表" 95 5C, "ア" 83 41, "テ" 83 65.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "tests/rig/code_page_cases.h"
#include "text/fixed_text.h"
#include "text/parse.h"
#include "text/script_encoding.h"
#include "text/sjis.h"

namespace {

TEST(FixedText, EveryFillKeepsWholeCharactersWithinTheBuffer)
{
    FixedText<6> text;  // room for 5 bytes
    text.Assign("テスト");
    EXPECT_EQ(std::string(text.c_str()), "テス");

    text.Assign("abテスト");  // a cut after "ab" + 1.5 characters
    EXPECT_EQ(std::string(text.c_str()), "abテ");

    text.Assign("ab");
    text.Append("cテスト");
    EXPECT_EQ(std::string(text.c_str()), "abcテ");

    EXPECT_EQ(text.Format("%s%d", "テスト", 12345), std::string("テス").size());
    EXPECT_EQ(std::string(text.c_str()), "テス");
}

TEST(FixedText, RepairDropsAHalfCharacterLeftByAnApi)
{
    FixedText<4> text;
    std::memcpy(text.data(), "\x83\x65\x83\x58", 4);  // "テス", unterminated, as an API could leave it
    text.Repair();
    EXPECT_STREQ(text.c_str(), "\x83\x65");

    std::memcpy(text.data(), "a\x83\x65\x83", 4);  // ends in a lone lead byte
    text.Repair();
    EXPECT_STREQ(text.c_str(), "a\x83\x65");
}

TEST(FixedText, ClearZeroesTheWholeBuffer)
{
    FixedText<8> text("abcdefg");
    text.Clear();
    for (std::size_t i = 0; i < text.kSize; ++i) EXPECT_EQ(text.data()[i], '\0') << i;
}

TEST(WholeCharPrefix, StopsBeforeACharacterThatWouldNotFit)
{
    EXPECT_EQ(WholeCharPrefix("テスト", 3), 2u);
    EXPECT_EQ(WholeCharPrefix("テスト", 4), 4u);
    EXPECT_EQ(WholeCharPrefix("aテ", 2), 1u);
    EXPECT_EQ(WholeCharPrefix("テ", 10), 2u);
    // A lead byte with nothing after it is half a character: not kept.
    EXPECT_EQ(WholeCharPrefix("a\x83", 10), 1u);
}

TEST(SplitPath, TrailByteBackslashDoesNotSplit)
{
    PathParts parts = SplitPath("C:\\Tools\\ソ表\\表ソ.nc");
    EXPECT_EQ(parts.drive, "C:");
    EXPECT_EQ(parts.directory, "\\Tools\\ソ表\\");
    EXPECT_EQ(parts.base_name, "表ソ");
    EXPECT_EQ(parts.extension, ".nc");
}

TEST(SplitPath, ExtensionIsTakenFromTheNameOnly)
{
    PathParts parts = SplitPath("D:\\a.b\\c");
    EXPECT_EQ(parts.directory, "\\a.b\\");
    EXPECT_EQ(parts.base_name, "c");
    EXPECT_EQ(parts.extension, "");

    parts = SplitPath("D:\\x\\a.b.exe");
    EXPECT_EQ(parts.base_name, "a.b");
    EXPECT_EQ(parts.extension, ".exe");
}

TEST(SplitPath, DriveAndSlashes)
{
    PathParts parts = SplitPath("Z:/tmp/program/Vantrel.exe");
    EXPECT_EQ(parts.drive, "Z:");
    EXPECT_EQ(parts.directory, "/tmp/program/");
    EXPECT_EQ(parts.base_name, "Vantrel");

    parts = SplitPath("relative\\name.ini");
    EXPECT_EQ(parts.drive, "");
    EXPECT_EQ(parts.directory, "relative\\");

    // A double-byte character whose second byte is ':' is not a drive.
    parts = SplitPath("\x83:x");
    EXPECT_EQ(parts.drive, "");
}

TEST(SplitPath, PartsAreCutOnWholeCharacters)
{
    PathParts parts = SplitPath("C:\\dir\\テスト.nc", 5);
    EXPECT_EQ(parts.directory, "\\dir\\");
    EXPECT_EQ(parts.base_name, "テス");
}

TEST(EndsWithSeparator, OnlyAWholeCharacterSeparatorAtTheEnd)
{
    struct Case {
        const char* path;
        bool ends;
    };
    const Case cases[] = {
        {"C:\\NC\\", true}, {"C:/NC/", true}, {"\\", true}, {"C:\\表\\", true},
        // 表 and ソ end in 5C, and a lead byte before '\\' makes ソ of it.
        {"C:\\表", false}, {"C:\\ソ", false}, {"a\x83\\", false},
        {"a\x83", false}, {"C:", false}, {"", false}, {"C:\\NC", false},
    };
    for (const Case& c : cases) EXPECT_EQ(EndsWithSeparator(c.path), c.ends) << "path \"" << c.path << "\"";
}

TEST(ParseFraction, ReadsTheNumberAtTheStartOnly)
{
    EXPECT_DOUBLE_EQ(ParseFraction("0.25"), 0.25);
    EXPECT_DOUBLE_EQ(ParseFraction("  -1.5e1x"), -15.0);
    EXPECT_DOUBLE_EQ(ParseFraction(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseFraction("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseFraction("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ParseFraction("2.5abc"), 2.5);
}

TEST(ParseFraction, TextThatIsNoDecimalNumberGivesZero)
{
    // strtod would read these as infinity, NaN or hexadecimal.
    for (const char* text : {"", "abc", "inf", "INFINITY", "nan", "e5", "-", ".", "ｘ"}) {
        EXPECT_EQ(ParseFraction(text), 0.0) << text;
    }
    EXPECT_EQ(ParseFraction("0x10"), 0.0);  // the leading 0 only
}

TEST(ScanThreeInts, PartialScansKeepTheValuesNotReached)
{
    int r = 220, g = 220, b = 220;
    EXPECT_EQ(ScanThreeInts("200,100", r, g, b), 2);
    EXPECT_EQ(r, 200);
    EXPECT_EQ(g, 100);
    EXPECT_EQ(b, 220);

    r = g = b = 7;
    EXPECT_EQ(ScanThreeInts("abc", r, g, b), 0);
    EXPECT_EQ(r + g + b, 21);

    EXPECT_EQ(ScanThreeInts("1 ,2,3", r, g, b), 1);  // a blank before the comma stops the scan
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 7);
}

TEST(ScanThreeInts, SignsBlanksAndRange)
{
    int r = 0, g = 0, b = 0;
    EXPECT_EQ(ScanThreeInts(" -5, +6,\t300x", r, g, b), 3);
    EXPECT_EQ(r, -5);
    EXPECT_EQ(g, 6);
    EXPECT_EQ(b, 300);

    EXPECT_EQ(ScanThreeInts("99999999999,-99999999999,1", r, g, b), 3);
    EXPECT_EQ(r, INT_MAX);
    EXPECT_EQ(g, INT_MIN);

    EXPECT_EQ(ScanThreeInts("1,-,3", r, g, b), 1);
}

TEST(EqualsIgnoreAsciiCase, FoldsAsciiLettersOnly)
{
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Machine", "MACHINE"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("ＭＣ１号機", "ＭＣ１号機"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("", "a"));
    // ア is 83 41: folding its trail byte 'A' would make it equal 83 61 (ャ).
    EXPECT_FALSE(EqualsIgnoreAsciiCase("ア", "\x83\x61"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("xアy", "X\x83\x61Y"));
    EXPECT_TRUE(EqualsIgnoreAsciiCase("xアy", "XアY"));
}

TEST(CommandLineMode, OnlyTheThreeWordsInAnyAsciiCase)
{
    EXPECT_EQ(CommandLineMode("system"), 1);
    EXPECT_EQ(CommandLineMode("SYSTEM"), 1);
    EXPECT_EQ(CommandLineMode("ProgInf"), 2);
    EXPECT_EQ(CommandLineMode("vErSiOn"), 3);
    for (const char* word : {"", "help", "versions", "syste", "/version", "ｓｙｓｔｅｍ", "system "}) {
        EXPECT_EQ(CommandLineMode(word), 0) << word;
    }
}

TEST(ScriptEncoding, TheClientOfWindows8AndLaterReadsUtf8)
{
    const struct {
        unsigned long major, minor;
        ScriptEncoding encoding;
    } cases[] = {
        {5, 1, ScriptEncoding::kAnsi},  {6, 0, ScriptEncoding::kAnsi}, {6, 1, ScriptEncoding::kAnsi},
        {6, 2, ScriptEncoding::kUtf8},  {6, 3, ScriptEncoding::kUtf8}, {10, 0, ScriptEncoding::kUtf8},
        {11, 0, ScriptEncoding::kUtf8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScriptEncodingFor(c.major, c.minor), c.encoding) << c.major << "." << c.minor;
}

// The native tests of code that converts run on iconv in place of Windows.
TEST(CodePage, TheNativeStandInConvertsAsWindowsDoes) { ExpectExactConversionsOrRefusals(); }

}  // namespace
