#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/command_line.h"

namespace {

using Words = std::vector<std::string>;

TEST(FtpScriptWords, QuotesGroupBlanksAndAreDropped)
{
    EXPECT_EQ(SplitWords("put \"C:\\my dir\\a.nc\" a"), (Words{"put", "C:\\my dir\\a.nc", "a"}));
    EXPECT_EQ(SplitWords("  put\tC:\\data\\O1234.NC   O1234\r\n"), (Words{"put", "C:\\data\\O1234.NC", "O1234"}));
    EXPECT_EQ(SplitWords("put \"C:\\a b\\.nc\" \"\""), (Words{"put", "C:\\a b\\.nc", ""}));
    EXPECT_EQ(SplitWords("cd \"unclosed dir"), (Words{"cd", "unclosed dir"}));
    EXPECT_EQ(SplitWords("get a\"b c\"d"), (Words{"get", "ab cd"}));
    EXPECT_TRUE(SplitWords("   \r\n").empty());
}

TEST(FtpScriptWords, ShiftJisNamesPassUnchanged)
{
    // 表 is 95 5C and ソ is 83 5C: their trail bytes are backslashes.
    const std::string name = "C:\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67.nc";
    EXPECT_EQ(SplitWords("put " + name + " \x83\x5C"), (Words{"put", name, "\x83\x5C"}));
}

TEST(FtpScriptCommands, NamesAliasesAndPrefixes)
{
    EXPECT_EQ(LookUpScriptCommand("open"), ScriptCommand::kOpen);
    EXPECT_EQ(LookUpScriptCommand("BINARY"), ScriptCommand::kBinary);
    EXPECT_EQ(LookUpScriptCommand("bin"), ScriptCommand::kBinary);
    EXPECT_EQ(LookUpScriptCommand("bye"), ScriptCommand::kQuit);
    EXPECT_EQ(LookUpScriptCommand("send"), ScriptCommand::kPut);
    EXPECT_EQ(LookUpScriptCommand("recv"), ScriptCommand::kGet);
    EXPECT_EQ(LookUpScriptCommand("dir"), ScriptCommand::kLongList);
    EXPECT_EQ(LookUpScriptCommand("ls"), ScriptCommand::kNameList);
    // "cd" is a whole name although "close" starts with c as well.
    EXPECT_EQ(LookUpScriptCommand("cd"), ScriptCommand::kChangeDirectory);
    EXPECT_EQ(LookUpScriptCommand("b"), ScriptCommand::kAmbiguous);
    EXPECT_EQ(LookUpScriptCommand("c"), ScriptCommand::kAmbiguous);
    EXPECT_EQ(LookUpScriptCommand("d"), ScriptCommand::kAmbiguous);  // dir, delete, disconnect
    EXPECT_EQ(LookUpScriptCommand("disc"), ScriptCommand::kClose);
    EXPECT_EQ(LookUpScriptCommand("mput"), ScriptCommand::kUnknown);
    EXPECT_EQ(LookUpScriptCommand("binaryx"), ScriptCommand::kUnknown);
    EXPECT_EQ(LookUpScriptCommand(""), ScriptCommand::kUnknown);
}

TEST(FtpExeCommandLine, ScriptPathQuotedOrNotAndTrailingHost)
{
    FtpExeArguments args;
    std::string error;
    ASSERT_TRUE(ParseFtpExeArguments(SkipProgramName("ftp.exe -s:C:\\NC\\tmp\\202610110905.txt"), args, error));
    EXPECT_EQ(args.script_path, "C:\\NC\\tmp\\202610110905.txt");
    EXPECT_TRUE(args.host.empty());
    EXPECT_TRUE(args.auto_login);

    ASSERT_TRUE(ParseFtpExeArguments(
        SkipProgramName("\"C:\\windows\\system32\\ftp.exe\" -s:\"C:\\Program Files\\NC\\tmp\\a.txt\" -n -v 127.0.0.5"),
        args, error));
    EXPECT_EQ(args.script_path, "C:\\Program Files\\NC\\tmp\\a.txt");
    EXPECT_EQ(args.host, "127.0.0.5");
    EXPECT_FALSE(args.auto_login);
    EXPECT_FALSE(args.show_replies);
    EXPECT_FALSE(args.strict);

    // The strict mode is a word the Windows client's single-dash options cannot be; "-strict" is no option.
    ASSERT_TRUE(ParseFtpExeArguments("--strict -s:a.txt", args, error));
    EXPECT_TRUE(args.strict);
    EXPECT_FALSE(ParseFtpExeArguments("-strict -s:a.txt", args, error));
    EXPECT_EQ(error, "-strict");

    EXPECT_FALSE(ParseFtpExeArguments("-x", args, error));
    EXPECT_EQ(error, "-x");
    EXPECT_FALSE(ParseFtpExeArguments("-s:", args, error));
    // An unquoted path with a blank splits; the second half is refused, not taken as a host.
    EXPECT_FALSE(ParseFtpExeArguments("-s:C:\\Program Files\\a.txt host", args, error));
    EXPECT_EQ(error, "host");
}

TEST(FtpSingleBlankArguments, EmptyValuesKeepTheirPlace)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(SplitSingleBlankArguments("127.0.0.5 user pass NC"), (Args{"127.0.0.5", "user", "pass", "NC"}));
    EXPECT_EQ(SplitSingleBlankArguments("127.0.0.5  pass"), (Args{"127.0.0.5", "", "pass"}));
    EXPECT_EQ(SplitSingleBlankArguments("  "), (Args{"", "", ""}));
    EXPECT_EQ(SplitSingleBlankArguments("h u \"p w\" \"N C\"\r\n"), (Args{"h", "u", "p w", "N C"}));
    EXPECT_TRUE(SplitSingleBlankArguments("").empty());
}

}  // namespace
