#include <gtest/gtest.h>

#include <string>

#include "ftp/local_name.h"

namespace {

TEST(FtpLocalName, ListedNamesThatWouldLeaveTheFolderOrNameADeviceAreRefused)
{
    for (const char* name : {"", ".", "..", "..\\evil.txt", "../evil.txt", "sub\\x", "C:x", "a:b", "NUL", "nul",
                             "CON.txt", "prn.nc", "Aux", "COM1", "com9.log", "LPT1", "lpt9.x", "CON .txt",
                             "O1234.", "O1234 ", "a\tb", "a\x7f", "line\nfeed",
                             // Half a double-byte character at the end, which Windows drops.
                             "x.\x81", "CON\x81", "O1234\x9F", "\x88\x9F\xE0",
                             // Short-name forms, which Windows resolves to the long file (Vantrel.ini).
                             "VANTRE~1.INI", "machin~1.ini", "O~12", "\x95\x5C~1.NC"}) {
        EXPECT_FALSE(IsSafeLocalName(name)) << name;
    }
    // Shift-JIS: 表 and ソ end in 0x5C, which is no separator there.
    for (const char* name : {"O1234", "O1234.NC", ".hidden", "a..b", "COM0", "COM10", "LPT", "CONSOLE.nc",
                             "NULL", "表.nc", "ソ", " lead",
                             // Not the form: too long a stem or extension, no digit, a second dot, or
                             // the '~' a trail byte (0x837E).
                             "O1000000~1.NC", "VANTRE~1.INIX", "O~.NC", "O~1a.NC", "a.b~1.c", "\x83\x7E" "1.NC"}) {
        EXPECT_TRUE(IsSafeLocalName(name)) << name;
    }
}

TEST(FtpLocalName, NamesMadeSafeKeepWhatIsSafeAndReplaceTheRest)
{
    struct Case {
        const char* name;
        const char* safe;
    } cases[] = {
        {"MC1", "MC1"},           {"表ソ機", "表ソ機"},   {"", "_"},          {"..", "__"},
        {"A/B\\C:D", "A_B_C_D"}, {"a*?\"<>|b", "a______b"}, {"NUL", "_NUL"},  {"com1.nc", "_com1.nc"},
        {"MC1. ", "MC1__"},       {"a\tb", "a_b"},     {"x\x81", "x_"},  {"CON \x81", "CON _"},
        {"MC~1", "MC_1"},         {"a~b~2.x", "a~b_2.x"},
    };
    for (const Case& c : cases) {
        std::string safe = MakeSafeLocalName(c.name);
        EXPECT_EQ(safe, c.safe) << c.name;
        EXPECT_TRUE(IsSafeLocalName(safe)) << c.name;
    }
}

}  // namespace
