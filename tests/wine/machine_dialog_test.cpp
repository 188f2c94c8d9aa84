// The machine registration dialog, driven through its own procedure and
// controls: saving new and existing machines, the default, deleting, the
// refusals, and the modal run that refills the main window's combo box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup_state.h"
#include "log/message_log.h"
#include "machines/machine_dialog.h"
#include "machines/machine_table.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"
#include "tests/wine/control_text.h"

namespace {

using Lines = std::vector<std::string>;

class MachineDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_ = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr, nullptr, nullptr);
        main_combo_ = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWN | WS_VSCROLL, 0, 0, 200, 100, main_,
                                    reinterpret_cast<HMENU>(IDC_MACHINE_COMBO), nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, main_,
                              reinterpret_cast<HMENU>(IDC_MESSAGE_LIST), nullptr, nullptr);
        SetMessageList(list_);
        g_selected_machine = MachineRecord();
        folder_.WriteFile("Vantrel.ini", "[table]\r\nmachine=machines.ini\r\n");
        g_machine_table_path.Assign((folder_ / "machines.ini").c_str());
    }
    void TearDown() override
    {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
        DestroyWindow(main_);
        g_machine_table_path.Clear();
    }

    // Opens the dialog modelessly (hidden, so no capture takes it) on the
    // table; its initialisation runs as in the modal dialog.
    void Open(const std::string& table)
    {
        if (!table.empty()) folder_.WriteFile("machines.ini", table);
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), "SETTINGMACHINEDLG", main_, MachineDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
        NewLines();
    }
    void Type(const char* name, const char* address, const char* user, const char* password,
              const char* folder = "", bool extension = false, bool make_default = false)
    {
        SetDlgItemTextA(dialog_, IDC_REGISTRATION_NAME, name);
        SetDlgItemTextA(dialog_, IDC_ADDRESS, address);
        SetDlgItemTextA(dialog_, IDC_USER_NAME, user);
        SetDlgItemTextA(dialog_, IDC_PASSWORD, password);
        SetDlgItemTextA(dialog_, IDC_INITIAL_FOLDER, folder);
        CheckDlgButton(dialog_, IDC_EXTENSION_FLAG, extension ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_DEFAULT_MACHINE, make_default ? BST_CHECKED : BST_UNCHECKED);
    }
    void Command(int id) { SendMessageA(dialog_, WM_COMMAND, id, 0); }
    // A name picked from the dialog's list, as the combo box reports it.
    void Pick(int index)
    {
        HWND names = GetDlgItem(dialog_, IDC_REGISTRATION_NAME);
        SendMessageA(names, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_REGISTRATION_NAME, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(names));
    }

    std::string Item(int id) const
    {
        char text[64] = {};
        GetDlgItemTextA(dialog_, id, text, sizeof text);
        return text;
    }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    int NameCount() const
    {
        return static_cast<int>(SendDlgItemMessageA(dialog_, IDC_REGISTRATION_NAME, CB_GETCOUNT, 0, 0));
    }
    std::string Value(const char* section, const char* key) const
    {
        FixedText<64> value;
        ReadProfileText(section, key, value, g_machine_table_path.c_str());
        return value.c_str();
    }
    std::string TableBytes() const { return folder_.ReadFile("machines.ini"); }

    Lines NewLines()
    {
        Lines lines = ListBoxLines(list_, seen_lines_);
        seen_lines_ += static_cast<int>(lines.size());
        return lines;
    }

    TempProgramFolder folder_;
    HWND main_ = nullptr;
    HWND main_combo_ = nullptr;
    HWND list_ = nullptr;
    HWND dialog_ = nullptr;
    int seen_lines_ = 0;
};

const std::string kMc1 = "[MC1]\r\naddress=10.0.0.1\r\nusername=u1\r\npassword=p1\r\ninitpath=NC\r\nextention=1\r\n";
const std::string kMc2 = "[MC2]\r\naddress=10.0.0.2\r\nusername=u2\r\npassword=p2\r\nextention=0\r\n";

TEST_F(MachineDialogTest, OpeningListsTheSlotsAndResetsADefaultOnAFreeSlot)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=\r\nmachine2=MC2\r\ndefault=5\r\n" + kMc1 + kMc2);
    EXPECT_EQ(NameCount(), 2);
    EXPECT_EQ(Item(IDC_REGISTRATION_NAME), "");
    EXPECT_EQ(Value("machine", "default"), "-1");
    seen_lines_ = 0;
    EXPECT_EQ(NewLines(), (Lines{"routine name : LoadDefaultValue", "エラー：[machine] default=5 既定マシニングがありません"}));
}

TEST_F(MachineDialogTest, OpeningWithoutATableCreatesNoFile)
{
    Open("");
    EXPECT_EQ(NameCount(), 0);
    EXPECT_FALSE(folder_.Exists("machines.ini"));
}

TEST_F(MachineDialogTest, NewNameGoesIntoTheFirstFreeSlotAndBecomesTheDefault)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=MC2\r\nmachine2=\r\ndefault=0\r\n" + kMc1 + kMc2);
    MessageBoxCapture boxes;
    Type("新型", "192.168.10.20", "nc", "secret", "", true, true);
    Command(IDM_SAVE);

    EXPECT_EQ(NewLines(), (Lines{"routine name : RegisterFtpValue", "??? icheck=2 | inumber=-1", "??? 2 マシニング登録",
                                 "新規にマシニング情報を登録しました"}));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageBoxIcon::kInformation);
    EXPECT_EQ(Value("machine", "machine2"), "新型");
    EXPECT_EQ(Value("machine", "default"), "2");
    EXPECT_EQ(Value("新型", "address"), "192.168.10.20");
    EXPECT_EQ(Value("新型", "extention"), "1");
    // No initial folder: the key is written empty.
    EXPECT_NE(TableBytes().find("initpath=\r\n"), std::string::npos);
    // The dialog's own list is filled only at opening; the fields keep what was typed.
    EXPECT_EQ(NameCount(), 2);
    EXPECT_EQ(Item(IDC_REGISTRATION_NAME), "新型");
}

// A value longer than its field is refused with a box naming the field, and
// nothing is written: cut, it would be another name, address or password.
TEST_F(MachineDialogTest, OverlongFieldsAreRefusedBeforeAnythingIsWritten)
{
    Open("");
    struct Case {
        const char* name;
        const char* address;
        const char* user;
        const char* password;
        const char* folder;
        const char* box;
    };
    // 32 bytes of name; 16 of address, user, password and folder; Japanese
    // counts its two bytes a character.
    const Case cases[] = {
        {"マシニングセンター第一工場の一号", "1.1.1.1", "u", "p", "",
         "エラー：マシニング登録名 は 31 バイト（半角 31 文字）までです。短くしてから保存してください"},
        {"MC1", "192.168.100.2001", "u", "p", "", "エラー：ＩＰアドレス は 15 バイト（半角 15 文字）までです。短くしてから保存してください"},
        {"MC1", "1.1.1.1", "abcdefghijklmnop", "p", "", "エラー：ユーザー名 は 15 バイト（半角 15 文字）までです。短くしてから保存してください"},
        {"MC1", "1.1.1.1", "u", "パスワードパスワ", "", "エラー：パスワード は 15 バイト（半角 15 文字）までです。短くしてから保存してください"},
        {"MC1", "1.1.1.1", "u", "p", "フォルダフォルダ", "エラー：初期フォルダ は 15 バイト（半角 15 文字）までです。短くしてから保存してください"},
    };
    for (const Case& c : cases) {
        MessageBoxCapture boxes;
        Type(c.name, c.address, c.user, c.password, c.folder);
        Command(IDM_SAVE);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << c.box;
        EXPECT_EQ(boxes.Boxes()[0].text, c.box);
    }
    EXPECT_FALSE(folder_.Exists("machines.ini"));
}

// Typed with the IME on: full-width digits, letters and dots are saved as
// ASCII, and count as such; a Japanese folder name stays as typed.
TEST_F(MachineDialogTest, FullWidthAsciiIsSavedHalfWidth)
{
    Open("");
    MessageBoxCapture boxes;
    Type("MC1", "１９２．１６８．１００．２００", "ｎｃ＿ｕｓｅｒ", "Ｐａｓｓ１２３", "加工／ＮＣ");
    Command(IDM_SAVE);
    EXPECT_EQ(Value("MC1", "address"), "192.168.100.200");
    EXPECT_EQ(Value("MC1", "username"), "nc_user");
    EXPECT_EQ(Value("MC1", "password"), "Pass123");
    EXPECT_EQ(Value("MC1", "initpath"), "加工／ＮＣ");
    EXPECT_EQ(boxes.Boxes().size(), 1u);  // the confirmation
}

TEST_F(MachineDialogTest, ExistingNameTypedInOtherCaseUpdatesItsSectionAndKeepsItsSlot)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=\r\nmachine3=MC2\r\ndefault=0\r\n" + kMc1 + kMc2);
    MessageBoxCapture boxes;
    Type("mc2", "10.0.0.99", "u9", "p9");
    Command(IDM_SAVE);

    EXPECT_EQ(NewLines(), (Lines{"routine name : RegisterFtpValue", "??? icheck=-1 | inumber=3",
                                 "マシニングの既定値を保存しました。"}));
    EXPECT_EQ(Value("machine", "machine3"), "MC2");
    EXPECT_EQ(Value("machine", "machine1"), "");
    EXPECT_EQ(Value("MC2", "address"), "10.0.0.99");
    // IDC_DEFAULT_MACHINE unchecked: "default" stays, also when saving the default machine.
    EXPECT_EQ(Value("machine", "default"), "0");
    Type("MC1", "10.0.0.1", "u1", "p1");
    Command(IDM_SAVE);
    EXPECT_EQ(Value("machine", "default"), "0");
    Type("MC2", "10.0.0.99", "u9", "p9", "", false, true);
    Command(IDM_SAVE);
    EXPECT_EQ(Value("machine", "default"), "3");
    EXPECT_EQ(boxes.Boxes().size(), 3u);
}

TEST_F(MachineDialogTest, JapaneseNamesDifferingOnlyInATrailByteAreDifferentMachines)
{
    // ア is 83 41 and ヂ is 83 61: folding the trail byte would make them one machine.
    Open("[machine]\r\nmachine0=MCア\r\n[MCア]\r\naddress=10.0.0.1\r\nusername=u\r\npassword=p\r\n");
    MessageBoxCapture boxes;
    Type("MCヂ", "10.0.0.2", "u", "p");
    Command(IDM_SAVE);
    EXPECT_EQ(Value("machine", "machine1"), "MCヂ");
    EXPECT_EQ(Value("MCア", "address"), "10.0.0.1");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(MachineDialogTest, PickingAMachineSetsFieldsAndBothCheckBoxesEitherWay)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=MC2\r\ndefault=0\r\n" + kMc1 + kMc2);
    Pick(0);
    EXPECT_EQ(Item(IDC_REGISTRATION_NAME), "MC1");
    EXPECT_EQ(Item(IDC_ADDRESS), "10.0.0.1");
    EXPECT_EQ(Item(IDC_USER_NAME), "u1");
    EXPECT_EQ(Item(IDC_PASSWORD), "p1");
    EXPECT_EQ(Item(IDC_INITIAL_FOLDER), "NC");
    EXPECT_TRUE(Checked(IDC_EXTENSION_FLAG));
    EXPECT_TRUE(Checked(IDC_DEFAULT_MACHINE));
    EXPECT_EQ(std::string(g_selected_machine.address.c_str()), "10.0.0.1");

    Pick(1);
    EXPECT_EQ(Item(IDC_INITIAL_FOLDER), "");
    EXPECT_FALSE(Checked(IDC_EXTENSION_FLAG));
    EXPECT_FALSE(Checked(IDC_DEFAULT_MACHINE));
    EXPECT_EQ(NewLines(), Lines(2, "routine name : LoadMachineValue"));
}

TEST_F(MachineDialogTest, DeletingTheDefaultBlanksItsSlotAndResetsTheDefault)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=MC2\r\ndefault=1\r\n" + kMc1 + kMc2);
    MessageBoxCapture boxes;
    Pick(1);
    SetDlgItemTextA(dialog_, IDC_REGISTRATION_NAME, "mc2");
    NewLines();
    Command(IDM_DELETE);

    EXPECT_EQ(NewLines(), (Lines{"routine name : DeleteFtpValue", "... 既定マシニング名削除しました"}));
    EXPECT_EQ(Value("machine", "default"), "-1");
    EXPECT_NE(TableBytes().find("machine1=\r\n"), std::string::npos);
    EXPECT_EQ(Value("MC2", "address"), "");
    EXPECT_EQ(Value("MC1", "address"), "10.0.0.1");
    EXPECT_EQ(Item(IDC_REGISTRATION_NAME), "");
    EXPECT_EQ(Item(IDC_ADDRESS), "");
    EXPECT_FALSE(Checked(IDC_DEFAULT_MACHINE));

    // The name is still listed until the dialog opens again; picking it fails.
    EXPECT_EQ(NameCount(), 2);
    Pick(1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：IPアドレス取得失敗");
}

TEST_F(MachineDialogTest, DeletingOtherMachinesLeavesTheDefaultAlone)
{
    Open("[machine]\r\nmachine0=MC1\r\nmachine1=MC2\r\ndefault=1\r\n" + kMc1 + kMc2 +
         "[LOOSE]\r\naddress=10.0.0.3\r\nusername=u\r\npassword=p\r\n");
    Type("MC1", "", "", "");
    Command(IDM_DELETE);
    // A section that no slot reaches is deleted; slots and default stay.
    Type("LOOSE", "", "", "");
    Command(IDM_DELETE);
    EXPECT_EQ(Value("machine", "default"), "1");
    EXPECT_EQ(Value("machine", "machine0"), "");
    EXPECT_EQ(Value("machine", "machine1"), "MC2");
    EXPECT_EQ(Value("LOOSE", "address"), "");
}

TEST_F(MachineDialogTest, DeletingANameHeldTwiceResetsADefaultOnEitherSlot)
{
    Open("[machine]\r\nmachine1=MC1\r\nmachine4=mc1\r\ndefault=1\r\n" + kMc1);
    Type("MC1", "", "", "");
    Command(IDM_DELETE);
    EXPECT_EQ(Value("machine", "machine1"), "");
    EXPECT_EQ(Value("machine", "machine4"), "");
    EXPECT_EQ(Value("machine", "default"), "-1");
}

TEST_F(MachineDialogTest, EmptyFieldsStopTheSaveBeforeAnythingIsWritten)
{
    Open("");
    MessageBoxCapture boxes;
    Type("", "1.1.1.1", "u", "p");
    Command(IDM_SAVE);
    Type("MC1", "", "u", "p");
    Command(IDM_SAVE);
    Type("MC1", "1.1.1.1", "", "p");
    Command(IDM_SAVE);
    Type("MC1", "1.1.1.1", "u", "");
    Command(IDM_SAVE);
    Type("", "", "", "");
    Command(IDM_DELETE);

    Lines texts;
    for (const CapturedWindow& box : boxes.Boxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, (Lines{"エラー：マシニング登録名取得失敗", "エラー：ＩＰアドレス取得失敗", "エラー：FTPユーザー取得失敗",
                            "エラー：FTPパスワード取得失敗", "エラー：マシニング登録名取得失敗"}));
    EXPECT_FALSE(folder_.Exists("machines.ini"));
}

TEST_F(MachineDialogTest, NewNameWithAllSlotsTakenIsRefusedBeforeAnythingIsWritten)
{
    std::string table = "[machine]\r\ndefault=0\r\n";
    for (int slot = 0; slot < 10; ++slot) table += "machine" + std::to_string(slot) + "=M" + std::to_string(slot) + "\r\n";
    Open(table);
    const std::string before = TableBytes();
    MessageBoxCapture boxes;
    Type("M10", "1.1.1.1", "u", "p", "", false, true);
    Command(IDM_SAVE);

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageBoxIcon::kError);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "エラー：マシニングは10台まで登録できます。先に登録済みのマシニングを削除してください");
    EXPECT_EQ(TableBytes(), before);

    // An existing name is still saved.
    Type("m9", "1.1.1.9", "u", "p");
    Command(IDM_SAVE);
    EXPECT_EQ(Value("M9", "address"), "1.1.1.9");
}

TEST_F(MachineDialogTest, NamesAnIniFileCannotCarryAreRefusedBeforeAnythingIsWritten)
{
    Open("[machine]\r\nmachine0=MC1\r\n" + kMc1);
    const std::string before = TableBytes();
    MessageBoxCapture boxes;
    for (const char* name : {" MC1", "MC1 ", "   ", "MC[1]", "machine", "\"MC1\""}) {
        Type(name, "1.1.1.1", "u", "p");
        Command(IDM_SAVE);
    }
    // Deleting " MC1" would remove MC1's section and leave its slot;
    // deleting "machine" would remove the whole index.
    for (const char* name : {" MC1", "Machine"}) {
        Type(name, "", "", "");
        Command(IDM_DELETE);
    }
    EXPECT_EQ(TableBytes(), before);
    ASSERT_EQ(boxes.Boxes().size(), 8u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：マシニング登録名の先頭と末尾に空白は使えません");
    EXPECT_EQ(boxes.Boxes()[3].text, "エラー：マシニング登録名に「[」「]」と改行は使えません");
}

TEST_F(MachineDialogTest, FailedWriteIsReportedAndStopsTheSave)
{
    folder_.MakeFolder("machines.ini");  // a folder where the file should be
    Open("");
    MessageBoxCapture boxes;
    Type("MC1", "1.1.1.1", "u", "p");
    Command(IDM_SAVE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：[MC1] address=1.1.1.1 書込失敗");
    EXPECT_EQ(NewLines(), (Lines{"routine name : RegisterFtpValue", "エラー：[MC1] address=1.1.1.1 書込失敗"}));
}

TEST_F(MachineDialogTest, ColourAnswersReuseOneBrushOfTheWindowColour)
{
    g_startup.window_color = {10, 20, 30};
    g_startup.text_color = {200, 100, 50};
    Open("");
    HDC dc = GetDC(dialog_);
    HWND box = GetDlgItem(dialog_, IDC_EXTENSION_FLAG);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(box)));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(GetTextColor(dc), RGB(200, 100, 50));
    LOGBRUSH fill = {};
    ASSERT_EQ(GetObjectA(brush, sizeof fill, &fill), static_cast<int>(sizeof fill));
    EXPECT_EQ(fill.lbColor, RGB(10, 20, 30));
    EXPECT_EQ(SendMessageA(dialog_, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog_)),
              reinterpret_cast<LRESULT>(brush));
    ReleaseDC(dialog_, dc);
    g_startup.window_color = {220, 220, 220};
    g_startup.text_color = {0, 0, 0};
}

TEST_F(MachineDialogTest, ModalRunSavesAndThenRefillsTheMainComboBox)
{
    folder_.WriteFile("machines.ini", "");
    MessageBoxCapture capture;
    capture.OnDialog([](HWND dialog, const CapturedWindow&) {
        SetDlgItemTextA(dialog, IDC_REGISTRATION_NAME, "MC1");
        SetDlgItemTextA(dialog, IDC_ADDRESS, "10.1.1.1");
        SetDlgItemTextA(dialog, IDC_USER_NAME, "nc");
        SetDlgItemTextA(dialog, IDC_PASSWORD, "pw");
        CheckDlgButton(dialog, IDC_DEFAULT_MACHINE, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, IDM_SAVE, 0);
    });
    g_machine_count = -5;
    EXPECT_EQ(OpenMachineDialog(main_, GetModuleHandleA(nullptr)), 0);

    ASSERT_EQ(capture.Dialogs().size(), 1u);
    EXPECT_EQ(capture.Dialogs()[0].caption, "マシニングデータサーバー情報登録");
    EXPECT_EQ(g_machine_count, 1);
    char field[32] = {};
    GetWindowTextA(main_combo_, field, sizeof field);
    EXPECT_EQ(std::string(field), "MC1");
    EXPECT_EQ(SendMessageA(main_combo_, CB_GETCOUNT, 0, 0), 1);
    Lines lines = NewLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"IPアドレス   : 10.1.1.1", "ユーザー名   : nc", "パスワード   : pw"}));
}

}  // namespace
