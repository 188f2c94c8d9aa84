// Faults the fuzz targets found in the portable code, each pinned down.
#include <gtest/gtest.h>

#include <cfloat>

#include "ftp/command_line.h"
#include "text/fixed_text.h"
#include "text/parse.h"
#include "transfer/control_script.h"

namespace {

MachineRecord Machine()
{
    MachineRecord machine;
    machine.address.Assign("192.168.10.21");
    machine.user_name.Assign("nc");
    machine.password.Assign("se\"cret");
    machine.initial_folder.Assign("NCDATA");
    machine.fields_read = 4;
    return machine;
}

}  // namespace

// Format kept an argument's trailing lead byte whenever the result fitted.
TEST(FuzzFindings, FormatDropsHalfACharacterAlsoWhenItFits)
{
    FixedText<1024> message;
    EXPECT_EQ(message.Format("\n%s", "\x9d"), 1u);
    EXPECT_STREQ(message.c_str(), "\n");
    FixedText<8> small;
    EXPECT_EQ(small.Format("%s", "\x83\x5C\x83"), 2u);  // ソ and half of the next
    EXPECT_STREQ(small.c_str(), "\x83\x5C");
}

// An exponent beyond the range of double gave infinity.
TEST(FuzzFindings, FractionBeyondTheRangeSaturates)
{
    EXPECT_EQ(ParseFraction("1e999"), DBL_MAX);
    EXPECT_EQ(ParseFraction("-1e999"), -DBL_MAX);
    EXPECT_EQ(ParseFraction("1e-999"), 0.0);
}

// A line feed in a dropped path or a machine value wrote commands of its own
// into the control file; a quote moved the words of the put line.
TEST(FuzzFindings, ValuesThatWouldBreakTheControlFileAreRefused)
{
    MachineRecord machine = Machine();
    // A quote in the password is no harm.
    EXPECT_EQ(ControlScriptFault(machine, "D:\\data\\O1234.NC", ScriptEncoding::kAnsi), nullptr);
    EXPECT_NE(ControlScriptFault(machine, "D:\\data\\a\ndelete O1.NC", ScriptEncoding::kAnsi), nullptr);
    EXPECT_NE(ControlScriptFault(machine, "D:\\data\\a\r.nc", ScriptEncoding::kAnsi), nullptr);
    EXPECT_NE(ControlScriptFault(machine, "D:\\a\"b.nc", ScriptEncoding::kAnsi), nullptr);
    EXPECT_NE(ControlScriptFault(machine, "", ScriptEncoding::kAnsi), nullptr);

    const char* faults[] = {"1.2.3.4\nx", "1.2\"3"};
    for (const char* address : faults) {
        MachineRecord bad = Machine();
        bad.address.Assign(address);
        EXPECT_NE(ControlScriptFault(bad, "D:\\a.nc", ScriptEncoding::kAnsi), nullptr) << address;
    }
    MachineRecord bad_user = Machine();
    bad_user.user_name.Assign("nc\ndelete x");
    EXPECT_NE(ControlScriptFault(bad_user, "D:\\a.nc", ScriptEncoding::kAnsi), nullptr);
    MachineRecord bad_password = Machine();
    bad_password.password.Assign("pw\r");
    EXPECT_NE(ControlScriptFault(bad_password, "D:\\a.nc", ScriptEncoding::kAnsi), nullptr);
    MachineRecord bad_folder = Machine();
    bad_folder.initial_folder.Assign("NC\nquit");
    EXPECT_NE(ControlScriptFault(bad_folder, "D:\\a.nc", ScriptEncoding::kAnsi), nullptr);
}

// The initial folder was written unquoted, so a folder with a blank reached
// the client as two words.
TEST(FuzzFindings, InitialFolderWithABlankStaysOneWord)
{
    MachineRecord machine = Machine();
    machine.initial_folder.Assign("NC DATA");
    std::string head = ControlFileHead(machine);
    std::string cd_line = head.substr(head.rfind("cd "));
    EXPECT_EQ(cd_line, "cd \"NC DATA\"\n");
    EXPECT_EQ(SplitWords(cd_line.substr(0, cd_line.size() - 1)), (std::vector<std::string>{"cd", "NC DATA"}));
}
