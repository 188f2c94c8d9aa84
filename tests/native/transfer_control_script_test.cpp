// The control file's bytes for the machine values and dropped paths users meet.
#include <gtest/gtest.h>

#include "transfer/control_script.h"

namespace {

MachineRecord Machine(const char* folder, int extension_flag)
{
    MachineRecord machine;
    machine.address.Assign("192.168.10.21");
    machine.user_name.Assign("nc");
    machine.password.Assign("secret");
    machine.initial_folder.Assign(folder);
    machine.fields_read = folder[0] != '\0' ? 4 : 3;
    machine.extension_flag = extension_flag;
    return machine;
}

std::string Script(const MachineRecord& machine, const char* path)
{
    return ControlFileHead(machine) + PutCommandLine(path, machine.extension_flag) + kQuitLine;
}

// The start-up clean-up: only names that end in .txt, whatever else the
// search for *.txt matched through a short name.
TEST(TempCleanup, TakesOnlyNamesEndingInTxt)
{
    struct Case {
        const char* name;
        bool deleted;
    };
    const Case cases[] = {
        {"202612070900.txt", true}, {"O1.TXT", true},      {"a.Txt", true},       {"x.y.txt", true},
        {"O1000.txt1", false},       {"a.txtx", false},     {"readme.txt.bak", false}, {".txt", false},
        {"txt", false},              {"list.lnk.txt", false}, {"filelist.tmp", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLeftoverControlFile(c.name), c.deleted) << c.name;
}

TEST(ControlScript, WholeFileWithAndWithoutInitialFolder)
{
    EXPECT_EQ(Script(Machine("NCDATA", 0), "D:\\data\\O1234.NC"),
              "open 192.168.10.21\nnc\nsecret\nbinary\ncd NCDATA\nput D:\\data\\O1234.NC O1234\nquit\n");
    EXPECT_EQ(Script(Machine("NCDATA", 1), "D:\\data\\O1234.NC"),
              "open 192.168.10.21\nnc\nsecret\nbinary\ncd NCDATA\nput D:\\data\\O1234.NC\nquit\n");
    EXPECT_EQ(Script(Machine("", 0), "D:\\data\\O1234.NC"),
              "open 192.168.10.21\nnc\nsecret\nbinary\nput D:\\data\\O1234.NC O1234\nquit\n");
}

TEST(ControlScript, AnyNonZeroExtensionFlagKeepsTheExtension)
{
    EXPECT_EQ(PutCommandLine("D:\\data\\O1234.NC", 2), "put D:\\data\\O1234.NC\n");
    EXPECT_EQ(PutCommandLine("D:\\data\\O1234.NC", -1), "put D:\\data\\O1234.NC\n");
}

TEST(ControlScript, RemoteNameIsTheBaseNameOfTheLastComponent)
{
    EXPECT_EQ(PutCommandLine("D:\\data\\PROG", 0), "put D:\\data\\PROG PROG\n");
    EXPECT_EQ(PutCommandLine("D:\\data\\a.b.nc", 0), "put D:\\data\\a.b.nc a.b\n");
    EXPECT_EQ(PutCommandLine("D:\\rev1.2\\PROG", 0), "put D:\\rev1.2\\PROG PROG\n");
    EXPECT_EQ(PutCommandLine("D:/data/x.nc", 0), "put D:/data/x.nc x\n");
    // Only an extension: the remote name is empty and the line ends in a blank.
    EXPECT_EQ(PutCommandLine("D:\\data\\.nc", 0), "put D:\\data\\.nc \n");
}

TEST(ControlScript, TrailByteBackslashDoesNotSplitAJapaneseName)
{
    // ソ is 83 5C and 表 is 95 5C in Shift-JIS.
    const char path[] = "D:\\data\\\x83\x5C\x95\x5C.nc";
    EXPECT_EQ(PutCommandLine(path, 0), std::string("put ") + path + " \x83\x5C\x95\x5C\n");
    const char folder_path[] = "D:\\\x83\x5C.d\\\x95\x5CPROG";
    EXPECT_EQ(PutCommandLine(folder_path, 0), std::string("put ") + folder_path + " \x95\x5CPROG\n");
}

TEST(ControlScript, ValuesWithBlanksAreQuotedSoTheyStayOneArgument)
{
    EXPECT_EQ(PutCommandLine("C:\\my dir\\a b.nc", 0), "put \"C:\\my dir\\a b.nc\" \"a b\"\n");
    EXPECT_EQ(PutCommandLine("C:\\my dir\\ab.nc", 0), "put \"C:\\my dir\\ab.nc\" ab\n");
    EXPECT_EQ(PutCommandLine("C:\\my dir\\ab.nc", 1), "put \"C:\\my dir\\ab.nc\"\n");
}

// The client runs in tmp: it gets the bare name, with no blank to quote.
TEST(ControlScript, ClientParametersNameTheControlFileAlone)
{
    EXPECT_EQ(ClientParameters("C:\\Program Files\\Vantrel\\tmp\\202612071015.txt"), "-s:202612071015.txt");
    EXPECT_EQ(ClientParameters("D:\\\x89\xC1\x8D\x48 NC\\tmp\\202612071015.txt"), "-s:202612071015.txt");  // 加工 NC
}

TEST(ControlScript, OpenLineGivesAPortAsAWordOfItsOwn)
{
    const struct {
        const char* address;
        const char* line;
    } cases[] = {
        {"192.168.10.21", "open 192.168.10.21\n"},
        {"127.0.0.20:2121", "open 127.0.0.20 2121\n"},
        {"mc1.local:21", "open mc1.local 21\n"},
        // Anything else is left for the client to refuse as it stands.
        {"mc1:", "open mc1:\n"},
        {":2121", "open :2121\n"},
        {"mc1:ftp", "open mc1:ftp\n"},
        {"mc1:123456", "open mc1:123456\n"},
        {"fe80::1", "open fe80::1\n"},
        {"", "open \n"},
    };
    for (const auto& c : cases) EXPECT_EQ(OpenLine(c.address), c.line) << c.address;
}

// For a client that reads UTF-8, a value the ANSI code page has no
// character for would reach it as something else: the drop is refused.
TEST(ControlScript, AValueThatDoesNotConvertToUtf8IsRefusedForAUtf8Client)
{
    const char* good = "\x83\x5C\x95\x5C\xB1";  // ソ表 and a half-width ア
    // A lead byte before a blank, an unassigned code, a byte with no character.
    const char* bad[] = {"\x83 x", "a\x85\x40", "\xA0"};
    using Setter = void (*)(MachineRecord&, const char*);
    const Setter fields[] = {
        [](MachineRecord& m, const char* v) { m.address.Assign(v); },
        [](MachineRecord& m, const char* v) { m.user_name.Assign(v); },
        [](MachineRecord& m, const char* v) { m.password.Assign(v); },
        [](MachineRecord& m, const char* v) { m.initial_folder.Assign(v); },
    };
    MachineRecord machine = Machine("NCDATA", 0);
    for (Setter set : fields) set(machine, good);
    std::string path = std::string("D:\\") + good + ".nc";
    EXPECT_EQ(ControlScriptFault(machine, path.c_str(), ScriptEncoding::kUtf8), nullptr);
    for (const char* value : bad) {
        std::string bad_path = std::string("D:\\") + value + ".nc";
        EXPECT_NE(ControlScriptFault(machine, bad_path.c_str(), ScriptEncoding::kUtf8), nullptr) << value;
        EXPECT_EQ(ControlScriptFault(machine, bad_path.c_str(), ScriptEncoding::kAnsi), nullptr) << value;
        for (Setter set : fields) {
            MachineRecord bad_machine = machine;
            set(bad_machine, value);
            EXPECT_NE(ControlScriptFault(bad_machine, path.c_str(), ScriptEncoding::kUtf8), nullptr) << value;
        }
    }
}

// The name the machine would get, with and without the extension, against
// the longest the put line gives: 255 bytes pass, 256 are refused.
TEST(ControlScript, RemoteNamesPastTheLongestAreRefused)
{
    const std::string folder = "D:\\" + std::string(300, 'F') + "\\";  // a long folder does not count
    struct Case {
        std::size_t base;
        const char* extension;
        int extension_flag;
        bool too_long;
    };
    const Case cases[] = {
        {255, "", 1, false}, {256, "", 1, true},      {252, ".nc", 1, false}, {253, ".nc", 1, true},
        {255, ".nc", 0, false}, {256, ".nc", 0, true}, {254, ".nc", -1, true},
    };
    for (const Case& c : cases) {
        std::string path = folder + std::string(c.base, 'O') + c.extension;
        EXPECT_EQ(RemoteNameTooLong(path.c_str(), c.extension_flag), c.too_long)
            << c.base << " + \"" << c.extension << "\", extension flag " << c.extension_flag;
    }
    // Double-byte characters count as their two bytes.
    std::string japanese = "D:\\";
    for (int i = 0; i < 128; ++i) japanese += "\x83\x65";  // テ
    EXPECT_TRUE(RemoteNameTooLong(japanese.c_str(), 0));
    japanese.resize(japanese.size() - 2);
    EXPECT_FALSE(RemoteNameTooLong(japanese.c_str(), 0));
}

TEST(ControlScript, RemoteNameIsCutTo255BytesOnACharacterBoundary)
{
    std::string name = "D:\\";
    name += "A";
    for (int i = 0; i < 200; ++i) name += "\x83\x65";  // テ
    name += ".nc";
    std::string line = PutCommandLine(name.c_str(), 0);
    std::string remote = line.substr(line.rfind(' ') + 1);
    remote.pop_back();  // the line feed
    EXPECT_EQ(remote.size(), 255u);  // "A" and 127 whole characters
    EXPECT_EQ(remote.substr(remote.size() - 2), "\x83\x65");
}

}  // namespace
