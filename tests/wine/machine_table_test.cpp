// The machine table file read by hand-written INI files: locating it, one
// machine into the selected machine record, and the machine combo box of
// the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "machines/machine_selection.h"
#include "machines/machine_table.h"
#include "resources/resource.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"
#include "tests/wine/control_text.h"

namespace {

using Lines = std::vector<std::string>;

class MachineTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_ = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr, nullptr, nullptr);
        combo_ = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, 0, 200, 100,
                               main_, reinterpret_cast<HMENU>(IDC_MACHINE_COMBO), nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main_,
                              reinterpret_cast<HMENU>(IDC_MESSAGE_LIST), nullptr, nullptr);
        SetMessageList(list_);
        g_machine_table_path.Clear();
        g_selected_machine = MachineRecord();
        g_startup.logmode = 0;
        folder_.WriteFile("Vantrel.ini", "[table]\r\nmachine=machines.ini\r\n");
    }
    void TearDown() override
    {
        DestroyWindow(main_);
        g_machine_table_path.Clear();
        g_startup.logmode = 0;
    }

    void WriteTable(const std::string& text) { folder_.WriteFile("machines.ini", text); }

    // Message-list lines posted since the last call.
    Lines NewLines()
    {
        Lines lines = ListBoxLines(list_, seen_lines_);
        seen_lines_ += static_cast<int>(lines.size());
        return lines;
    }
    Lines ComboEntries() const { return ComboBoxEntries(combo_); }
    std::string ComboField() const
    {
        char text[64] = {};
        GetWindowTextA(combo_, text, sizeof text);
        return text;
    }

    TempProgramFolder folder_;
    HWND main_ = nullptr;
    HWND combo_ = nullptr;
    HWND list_ = nullptr;
    int seen_lines_ = 0;
};

const std::string kTwoSlots = "[machine]\r\nmachine0=MC1\r\nmachine1=\r\nmachine2=ＭＣ２\r\n";
const std::string kTwoSections =
    "[MC1]\r\naddress=192.168.0.11\r\nusername=nc\r\npassword=pw1\r\ninitpath=NCDATA\r\nextention=1\r\n"
    "[ＭＣ２]\r\naddress=192.168.0.12\r\nusername=op\r\npassword=pw2\r\ninitpath=\r\nextention=2\r\n";
const std::string kTwoMachines = kTwoSlots + kTwoSections;

TEST_F(MachineTableTest, PathIsReadAgainOnlyWhileTheFileIsMissing)
{
    MessageBoxCapture boxes;
    folder_.WriteFile("Vantrel.ini", "[Vantrel]\r\nlogmode=11\r\n");
    EXPECT_EQ(FindMachineTable(main_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：接続マシニングテーブル取得失敗");
    EXPECT_TRUE(g_machine_table_path.empty());
    NewLines();

    g_startup.logmode = 11;
    folder_.WriteFile("Vantrel.ini", "[table]\r\nmachine=data\\machines.ini\r\n");
    const std::string expected = folder_ / "data\\machines.ini";
    EXPECT_EQ(FindMachineTable(main_), 0);
    EXPECT_EQ(g_machine_table_path.c_str(), expected);
    EXPECT_EQ(FindMachineTable(main_), 0);
    EXPECT_EQ(NewLines(), Lines(2, "... 接続マシニングテーブル " + expected));

    // Once the file exists the path stays, whatever the setting says now.
    folder_.MakeFolder("data");
    folder_.WriteFile("data\\machines.ini", "");
    folder_.WriteFile("Vantrel.ini", "[table]\r\nmachine=other.ini\r\n");
    EXPECT_EQ(FindMachineTable(main_), 0);
    EXPECT_EQ(g_machine_table_path.c_str(), expected);
    EXPECT_TRUE(NewLines().empty());
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(MachineTableTest, PathThatWouldNotFitIsRefusedRatherThanCut)
{
    MessageBoxCapture boxes;
    const std::string folder = g_startup.program_folder.c_str();
    g_startup.program_folder.Assign((folder + std::string(510 - folder.size(), 'x') + "\\").c_str());

    EXPECT_EQ(FindMachineTable(main_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：接続マシニングテーブルのパスが長すぎます（machines.ini）");
    g_startup.program_folder.Assign(folder.c_str());
}

TEST_F(MachineTableTest, OverlongValuesAreCutToTheRecordOnWholeCharacters)
{
    // address 25 bytes, user name 40 (Japanese), password 33, initpath 20 (Japanese):
    // the cuts at 23, 31 and 15 fall inside a double-byte character for the
    // Japanese values, which then keep one byte less.
    WriteTable("[MC1]\r\naddress=192.168.100.200.300.400.5\r\n"
               "username=ユーザーユーザーユーザーユーザーユーザー\r\n"
               "password=abcdefghijklmnopqrstuvwxyz0123456\r\n"
               "initpath=フォルダフォルダフォ\r\nextention=1\r\n");
    FindMachineTable(main_);
    EXPECT_EQ(ReadMachineValue(main_, "MC1"), 4);
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "192.168.100.200.300.400");
    EXPECT_EQ(std::string(g_selected_machine.user_name.c_str()), "ユーザーユーザーユーザーユーザ");
    EXPECT_EQ(std::string(g_selected_machine.password.c_str()), "abcdefghijklmnopqrstuvwxyz01234");
    EXPECT_EQ(std::string(g_selected_machine.initial_folder.c_str()), "フォルダフォル");
}

TEST_F(MachineTableTest, ShownLinesFollowInitialFolderAndExtensionFlag)
{
    WriteTable(kTwoMachines);
    FindMachineTable(main_);

    EXPECT_EQ(ReadMachineValue(main_, "MC1"), 4);
    ShowMachineValue(main_);
    EXPECT_EQ(NewLines(), (Lines{"IPアドレス   : 192.168.0.11", "ユーザー名   : nc", "パスワード   : pw1",
                                 "初期フォルダ : NCDATA", "拡張子（有） : 1"}));

    // Empty initpath: three fields; extention=2 is kept but shows no line.
    EXPECT_EQ(ReadMachineValue(main_, "ＭＣ２"), 3);
    EXPECT_EQ(g_selected_machine.extension_flag, 2);
    ShowMachineValue(main_);
    EXPECT_EQ(NewLines(), (Lines{"IPアドレス   : 192.168.0.12", "ユーザー名   : op", "パスワード   : pw2"}));
}

TEST_F(MachineTableTest, FailedReadKeepsTheTextsBeforeTheMissingValue)
{
    WriteTable(kTwoMachines + "[NOPW]\r\naddress=10.0.0.1\r\nusername=u\r\ninitpath=X\r\n" +
               "[]\r\naddress=10.0.0.9\r\nusername=u\r\npassword=p\r\n");
    FindMachineTable(main_);
    MessageBoxCapture boxes;

    ASSERT_EQ(ReadMachineValue(main_, "MC1"), 4);
    EXPECT_EQ(ReadMachineValue(main_, "NOPW"), -1);
    EXPECT_EQ(g_selected_machine.fields_read, 2);
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "10.0.0.1");
    EXPECT_EQ(std::string(g_selected_machine.user_name.c_str()), "u");
    EXPECT_TRUE(g_selected_machine.password.empty());
    EXPECT_TRUE(g_selected_machine.initial_folder.empty());
    EXPECT_EQ(g_selected_machine.extension_flag, 1);  // still the machine read before

    // The empty name denotes no machine, even with a "[]" section in the file.
    EXPECT_EQ(ReadMachineValue(main_, ""), -1);
    EXPECT_EQ(g_selected_machine.fields_read, 0);
    EXPECT_TRUE(g_selected_machine.address.empty());
    EXPECT_EQ(ReadMachineValue(main_, "NONE"), -1);

    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：パスワード取得失敗");
    EXPECT_EQ(boxes.Boxes()[1].text, "エラー：IPアドレス取得失敗");
    EXPECT_EQ(boxes.Boxes()[2].text, "エラー：IPアドレス取得失敗");
}

TEST_F(MachineTableTest, FillListsSlotsInOrderAndPutsTheDefaultIntoTheField)
{
    WriteTable(kTwoMachines);  // no "default": slot 0
    EXPECT_EQ(LoadMachineList(main_), 2);
    EXPECT_EQ(ComboEntries(), (Lines{"MC1", "ＭＣ２"}));
    EXPECT_EQ(ComboField(), "MC1");
    EXPECT_EQ(SendMessageA(combo_, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "192.168.0.11");
    EXPECT_EQ(NewLines().size(), 5u);

    // A second fill replaces the list instead of adding to it.
    EXPECT_EQ(LoadMachineList(main_), 2);
    EXPECT_EQ(ComboEntries().size(), 2u);
}

TEST_F(MachineTableTest, FillWithoutAReadableDefaultGivesZeroButKeepsTheNames)
{
    MessageBoxCapture boxes;
    // No table file yet.
    EXPECT_EQ(LoadMachineList(main_), 0);
    EXPECT_TRUE(ComboEntries().empty());

    const char* defaults[] = {"-1", "1", "5", "12"};  // none, a free slot, beyond the slots
    for (const char* value : defaults) {
        DeleteFileA((folder_ / "machines.ini").c_str());
        WriteTable(kTwoSlots + "default=" + value + "\r\n" + kTwoSections);
        SetWindowTextA(combo_, "typed");
        EXPECT_EQ(LoadMachineList(main_), 0) << value;
        EXPECT_EQ(ComboEntries(), (Lines{"MC1", "ＭＣ２"})) << value;
        EXPECT_EQ(ComboField(), "") << value;
    }
    ASSERT_EQ(boxes.Boxes().size(), 5u);
    for (const CapturedWindow& box : boxes.Boxes()) EXPECT_EQ(box.text, "エラー：IPアドレス取得失敗");
}

TEST_F(MachineTableTest, FillWithADefaultThatLacksItsPasswordShowsTheName)
{
    MessageBoxCapture boxes;
    std::string table = "[machine]\r\ndefault=9\r\n";
    for (int slot = 0; slot < 10; ++slot) table += "machine" + std::to_string(slot) + "=M" + std::to_string(slot) + "\r\n";
    WriteTable(table + "[M9]\r\naddress=1.1.1.1\r\nusername=u\r\n");
    EXPECT_EQ(LoadMachineList(main_), 0);
    EXPECT_EQ(ComboEntries().size(), 10u);
    EXPECT_EQ(ComboField(), "M9");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：パスワード取得失敗");
}

TEST_F(MachineTableTest, NoTableNameLeavesTheComboBoxAlone)
{
    MessageBoxCapture boxes;
    folder_.WriteFile("Vantrel.ini", "");
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("old"));
    EXPECT_EQ(LoadMachineList(main_), -1);
    EXPECT_EQ(ComboEntries(), Lines{"old"});
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(MachineTableTest, SelectionPostsItsLinesAndReadsTheMachine)
{
    WriteTable(kTwoMachines);
    LoadMachineList(main_);
    NewLines();

    SendMessageA(combo_, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(SelectMachine(main_), 0);
    EXPECT_EQ(ComboField(), "ＭＣ２");
    EXPECT_EQ(NewLines(), (Lines{"---", "転送先マシニングが選択されました", "マシニング  ：ＭＣ２",
                                 "IPアドレス   : 192.168.0.12", "ユーザー名   : op", "パスワード   : pw2"}));
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "192.168.0.12");
}

TEST_F(MachineTableTest, ConfirmingTypedTextThatNoEntryMatchesChangesNothing)
{
    WriteTable(kTwoMachines);
    LoadMachineList(main_);
    NewLines();

    SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(combo_, "ＭＣ３");
    EXPECT_EQ(SelectMachine(main_), 0);
    EXPECT_TRUE(NewLines().empty());
    EXPECT_EQ(ComboField(), "ＭＣ３");
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "192.168.0.11");
}

}  // namespace
