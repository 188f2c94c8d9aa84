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
    EXPECT_EQ(ClientParameters("C:\\Program Files\\Vantrel\\tmp\\202612071015.txt"),
              "-s:\"C:\\Program Files\\Vantrel\\tmp\\202612071015.txt\"");
    EXPECT_EQ(ClientParameters("D:\\NC\\tmp\\202612071015.txt"), "-s:D:\\NC\\tmp\\202612071015.txt");
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
