// The initial settings dialog, run modally as the main window runs it: the
// opening check, the live move of the main window, the save rules, the
// colour chooser, the colour answers and the ways it closes.
#include <gtest/gtest.h>

#include <colordlg.h>

#include <functional>
#include <string>
#include <vector>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "resources/resource.h"
#include "settings/initial_settings_dialog.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"
#include "tests/wine/control_text.h"

namespace {

const char kRangeError[] = "データは 0～1 の範囲にして下さい。";

using Steps = std::function<void(HWND dialog)>;

class InitialSettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_window_color_ = g_startup.window_color;
        saved_text_color_ = g_startup.text_color;
        main_ = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, kMainWidth, kMainHeight, nullptr,
                              nullptr, nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 200, 100, main_, nullptr, nullptr, nullptr);
        SetMessageList(list_);
    }
    void TearDown() override
    {
        DestroyWindow(main_);
        g_startup.window_color = saved_window_color_;
        g_startup.text_color = saved_text_color_;
    }

    void Settings(const std::string& text) { folder_.WriteFile("Vantrel.ini", text); }
    std::string SettingsFile() const { return folder_.ReadFile("Vantrel.ini"); }

    // Opens the dialog for the main window and runs steps inside its modal
    // loop; the capture closes it afterwards (WM_CLOSE) and records every box.
    // Colour choosers opened by the steps get chooser_steps.
    void Run(const Steps& steps, const Steps& chooser_steps = nullptr)
    {
        MessageBoxCapture capture;
        capture.OnDialog([&](HWND dialog, const CapturedWindow& seen) {
            if (seen.caption == "初期設定") {
                dialog_ = dialog;
                // The modal loop shows the dialog once its queue is idle,
                // which may come after the capture's turn.
                ShowWindow(dialog, SW_SHOWNORMAL);
                steps(dialog);
            } else if (chooser_steps) {
                chooser_steps(dialog);
            }
        });
        OpenInitialSettingsDialog(main_);
        boxes_ = capture.Boxes();
        dialogs_ = capture.Dialogs();
    }

    static std::string Box(HWND dialog, int id)
    {
        char text[64] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
    static void Command(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, id, 0); }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const CapturedWindow& box : boxes_) texts.push_back(box.text);
        return texts;
    }
    std::vector<std::string> Lines() const { return ListBoxLines(list_); }

    // Where the main window's top-left corner goes for fractions x and y.
    POINT PlaceFor(double x, double y) const
    {
        RECT screen;
        GetWindowRect(GetDesktopWindow(), &screen);
        int taskbar = 0;
        if (HWND tray = FindWindowA("Shell_TrayWnd", nullptr); tray != nullptr) {
            RECT client;
            GetClientRect(tray, &client);
            taskbar = client.bottom - client.top;
        }
        return {static_cast<LONG>((screen.right - kMainWidth) * x),
                static_cast<LONG>((screen.bottom - kMainHeight - taskbar) * y)};
    }
    POINT MainAt() const
    {
        RECT outer;
        GetWindowRect(main_, &outer);
        return {outer.left, outer.top};
    }
    static bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

    static constexpr int kMainWidth = 320;
    static constexpr int kMainHeight = 200;

    TempProgramFolder folder_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
    HWND dialog_ = nullptr;
    std::vector<CapturedWindow> boxes_;
    std::vector<CapturedWindow> dialogs_;
    ColorRecord saved_window_color_ = {};
    ColorRecord saved_text_color_ = {};
};

TEST_F(InitialSettingsDialogTest, OpeningFillsTheBoxesAndPlacesTheMainWindowFromThem)
{
    Settings("[window]\r\nX=0.25\r\nY=0.75\r\n[color]\r\nwindow=255,0,0\r\n");
    std::vector<std::string> shown;
    POINT placed = {-1, -1};
    Run([&](HWND dialog) {
        for (int id : {IDC_POSITION_X, IDC_POSITION_Y, IDC_WINDOW_COLOR, IDC_TEXT_COLOR}) shown.push_back(Box(dialog, id));
        placed = MainAt();
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"0.25", "0.75", "255,0,0", ""}));
    EXPECT_TRUE(Same(placed, PlaceFor(0.25, 0.75))) << placed.x << "," << placed.y;
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(InitialSettingsDialogTest, NoStoredPositionLeavesTheBoxesEmptyAndMovesTheMainWindowToTheCorner)
{
    Settings("[color]\r\ntext=1,2,3\r\n");
    std::string x = "?", y = "?";
    POINT placed = {-1, -1};
    Run([&](HWND dialog) {
        x = Box(dialog, IDC_POSITION_X);
        y = Box(dialog, IDC_POSITION_Y);
        placed = MainAt();
    });
    EXPECT_EQ(x, "");
    EXPECT_EQ(y, "");
    EXPECT_TRUE(Same(placed, PlaceFor(0.0, 0.0))) << placed.x << "," << placed.y;
}

TEST_F(InitialSettingsDialogTest, OpeningCorrectsAStoredPositionOutOfRangeButLeavesTheFileAlone)
{
    Settings("[window]\r\nX=2\r\nY=0.5\r\n");
    std::string x;
    POINT placed = {-1, -1};
    Run([&](HWND dialog) {
        x = Box(dialog, IDC_POSITION_X);
        placed = MainAt();
    });
    EXPECT_EQ(x, "1");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kRangeError});
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_[0].icon, MessageBoxIcon::kError);
    EXPECT_EQ(boxes_[0].caption, "Vantrel");
    EXPECT_TRUE(Same(placed, PlaceFor(1.0, 0.5))) << placed.x << "," << placed.y;
    EXPECT_EQ(SettingsFile(), "[window]\r\nX=2\r\nY=0.5\r\n");
}

TEST_F(InitialSettingsDialogTest, LeavingAPositionBoxChecksBothAndMovesTheMainWindowLive)
{
    Settings("[window]\r\nX=0.5\r\nY=0.5\r\n");
    std::vector<std::string> after;
    POINT moved = {-1, -1};
    POINT accepted = {-1, -1};
    Run([&](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDC_POSITION_Y));
        SetDlgItemTextA(dialog, IDC_POSITION_Y, "-0.3");
        SetDlgItemTextA(dialog, IDC_POSITION_X, "7");  // checked too, though it keeps no focus
        SetFocus(GetDlgItem(dialog, IDC_WINDOW_COLOR));
        after = {Box(dialog, IDC_POSITION_X), Box(dialog, IDC_POSITION_Y)};
        moved = MainAt();

        // 0 and 1 themselves are accepted without a message.
        SetDlgItemTextA(dialog, IDC_POSITION_X, "0");
        SetDlgItemTextA(dialog, IDC_POSITION_Y, "1");
        SetFocus(GetDlgItem(dialog, IDC_POSITION_X));
        SetFocus(GetDlgItem(dialog, IDC_TEXT_COLOR));
        accepted = MainAt();
    });
    EXPECT_EQ(after, (std::vector<std::string>{"1", "0"}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kRangeError, kRangeError}));
    EXPECT_TRUE(Same(moved, PlaceFor(1.0, 0.0))) << moved.x << "," << moved.y;
    EXPECT_TRUE(Same(accepted, PlaceFor(0.0, 1.0))) << accepted.x << "," << accepted.y;
    EXPECT_EQ(SettingsFile(), "[window]\r\nX=0.5\r\nY=0.5\r\n");
}

TEST_F(InitialSettingsDialogTest, SaveWritesOnlyChangedNonEmptyBoxesAsTextAndReportsTheCount)
{
    Settings("[window]\r\nX=0.5\r\nY=0.3\r\n[color]\r\nwindow=10,20,30\r\ntext=0,0,0\r\n");
    g_startup.text_color = {0, 0, 0};
    POINT placed = {-1, -1};
    Run([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_POSITION_X, "0.50");  // the same number, another text: written
        SetDlgItemTextA(dialog, IDC_POSITION_Y, "");      // empty: the stored 0.3 stays
        SetDlgItemTextA(dialog, IDC_TEXT_COLOR, "255,255,255");
        // Typed last into a colour box: the boxes' own check has placed the
        // main window at 0.50 / 0 before the save places it from the file.
        SetFocus(GetDlgItem(dialog, IDC_TEXT_COLOR));
        Command(dialog, IDM_SAVE);
        placed = MainAt();
    });
    EXPECT_EQ(SettingsFile(), "[window]\r\nX=0.50\r\nY=0.3\r\n[color]\r\nwindow=10,20,30\r\ntext=255,255,255\r\n");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"2個の設定値を保存しました\n再起動時に有効になります"});
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].icon, MessageBoxIcon::kInformation);
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "2個の設定値を保存しました");
    EXPECT_EQ(lines.back(), "再起動時に有効になります");
    // Applied from what is stored now: position 0.50 / 0.3, colours re-read.
    EXPECT_TRUE(Same(placed, PlaceFor(0.5, 0.3))) << placed.x << "," << placed.y;
    EXPECT_EQ(g_startup.text_color.red, 255);
    EXPECT_EQ(g_startup.window_color.blue, 30);
}

TEST_F(InitialSettingsDialogTest, SaveWithNothingNewWritesNothing)
{
    const std::string stored = "[window]\r\nX=1E-1\r\n[color]\r\nwindow=1,2,3\r\n";
    Settings(stored);
    Run([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_POSITION_X, "1e-1");  // differs only in letter case
        Command(dialog, IDM_SAVE);
        for (int id : {IDC_POSITION_X, IDC_POSITION_Y, IDC_WINDOW_COLOR, IDC_TEXT_COLOR}) SetDlgItemTextA(dialog, id, "");
        Command(dialog, IDM_SAVE);
    });
    EXPECT_EQ(SettingsFile(), stored);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"設定値に変更はありません", "設定値に変更はありません"}));
}

TEST_F(InitialSettingsDialogTest, OnlyTheFirst15BytesOfABoxCount)
{
    Settings("[window]\r\nX=0.1234567890123\r\n");
    Run([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_POSITION_X, "0.12345678901239999");  // same first 15 bytes
        Command(dialog, IDM_SAVE);
        SetDlgItemTextA(dialog, IDC_WINDOW_COLOR, "100,100,100,100,9");
        Command(dialog, IDM_SAVE);
    });
    EXPECT_EQ(SettingsFile(), "[window]\r\nX=0.1234567890123\r\n[color]\r\nwindow=100,100,100,100\r\n");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"設定値に変更はありません",
                                                    "1個の設定値を保存しました\n再起動時に有効になります"}));
}

// Writes fail when a folder stands where the settings file should be, or
// its folder is missing (a read-only file does not stop root under Wine).
TEST_F(InitialSettingsDialogTest, AFailedWriteStopsTheSaveWithoutSummaryOrNewColours)
{
    for (const char* broken : {"folder in place of the file", "missing folder"}) {
        SCOPED_TRACE(broken);
        if (std::string(broken) == "missing folder") {
            g_startup.settings_path.Assign((folder_ / "gone\\Vantrel.ini").c_str());
        } else {
            folder_.MakeFolder("Vantrel.ini");
        }
        g_startup.text_color = {7, 7, 7};
        POINT before = {-1, -1};
        POINT after = {-2, -2};
        Run([&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_POSITION_X, "0.25");
            SetDlgItemTextA(dialog, IDC_TEXT_COLOR, "9,9,9");
            SetFocus(GetDlgItem(dialog, IDC_TEXT_COLOR));
            before = MainAt();
            Command(dialog, IDM_SAVE);
            after = MainAt();
        });
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"エラー：[window] X=0.25 書込失敗"});
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].icon, MessageBoxIcon::kError);
        EXPECT_EQ(g_startup.text_color.red, 7);
        EXPECT_TRUE(Same(before, after)) << "the main window was placed again";
    }
}

TEST_F(InitialSettingsDialogTest, ColourChooserStartsFromTheBoxAndWritesTheChosenColourBack)
{
    Settings("[color]\r\nwindow=10,20,30\r\n");
    std::vector<int> start;
    std::vector<std::string> after;
    Run(
        [&](HWND dialog) {
            // Confirmed: pure red.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_WINDOW_COLOR_BUTTON, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_WINDOW_COLOR_BUTTON)));
            after.push_back(Box(dialog, IDC_WINDOW_COLOR));
            // An empty box starts from black; cancelled: the box stays empty.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TEXT_COLOR_BUTTON, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TEXT_COLOR_BUTTON)));
            after.push_back(Box(dialog, IDC_TEXT_COLOR));
        },
        [&](HWND chooser) {
            for (int id : {COLOR_RED, COLOR_GREEN, COLOR_BLUE}) start.push_back(static_cast<int>(GetDlgItemInt(chooser, id, nullptr, FALSE)));
            if (start.size() == 3) {
                SetDlgItemTextA(chooser, COLOR_RED, "255");
                SetDlgItemTextA(chooser, COLOR_GREEN, "0");
                SetDlgItemTextA(chooser, COLOR_BLUE, "0");
                SendMessageA(chooser, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
            }
            // The second chooser is left to the capture, which cancels it.
        });
    EXPECT_EQ(start, (std::vector<int>{10, 20, 30, 0, 0, 0}));
    EXPECT_EQ(after, (std::vector<std::string>{"255,0,0", ""}));
    EXPECT_EQ(SettingsFile(), "[color]\r\nwindow=10,20,30\r\n");
}

struct Answer {
    HBRUSH brush;
    COLORREF brush_color;
    COLORREF text;
    COLORREF background;
    int mode;
};

Answer AskColours(HWND dialog, UINT message, HWND control)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    SetBkMode(dc, OPAQUE);
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH described = {};
    if (brush != nullptr) GetObjectA(brush, sizeof described, &described);
    Answer answer = {brush, described.lbColor, GetTextColor(dc), GetBkColor(dc), GetBkMode(dc)};
    DeleteDC(dc);
    return answer;
}

TEST_F(InitialSettingsDialogTest, ColourAnswersShowEachColourBoxInItsOwnColourFromCachedBrushes)
{
    Settings("[color]\r\nwindow=255,0,0\r\ntext=255,255,255\r\n");
    g_startup.window_color = {0, 0, 300};  // low 8 bits: blue 44
    g_startup.text_color = {0, 128, 0};
    std::vector<Answer> answers;
    Run([&](HWND dialog) {
        HWND red_box = GetDlgItem(dialog, IDC_WINDOW_COLOR);
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, red_box));
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, red_box));
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, GetDlgItem(dialog, IDC_TEXT_COLOR)));
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, GetDlgItem(dialog, IDC_POSITION_X)));
        answers.push_back(AskColours(dialog, WM_CTLCOLORSTATIC, nullptr));
        answers.push_back(AskColours(dialog, WM_CTLCOLORDLG, nullptr));
        SetDlgItemTextA(dialog, IDC_WINDOW_COLOR, "0,255,0");
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, red_box));
        SetDlgItemTextA(dialog, IDC_WINDOW_COLOR, "");
        answers.push_back(AskColours(dialog, WM_CTLCOLOREDIT, red_box));
    });
    ASSERT_EQ(answers.size(), 8u);
    // Red box: red brush and background, cyan text; the same brush again.
    EXPECT_EQ(answers[0].brush_color, RGB(255, 0, 0));
    EXPECT_EQ(answers[0].text, RGB(0, 255, 255));
    EXPECT_EQ(answers[0].background, RGB(255, 0, 0));
    EXPECT_EQ(answers[0].mode, OPAQUE);
    EXPECT_EQ(answers[1].brush, answers[0].brush);
    // White box: white on white.
    EXPECT_EQ(answers[2].brush_color, RGB(255, 255, 255));
    EXPECT_EQ(answers[2].text, RGB(255, 255, 255));
    // Position box: white brush, the DC's own colours untouched.
    EXPECT_EQ(answers[3].brush_color, RGB(255, 255, 255));
    EXPECT_EQ(answers[3].text, RGB(1, 2, 3));
    EXPECT_EQ(answers[3].mode, OPAQUE);
    // Labels and background: the shared colours.
    EXPECT_EQ(answers[4].brush_color, RGB(0, 0, 44));
    EXPECT_EQ(answers[4].text, RGB(0, 128, 0));
    EXPECT_EQ(answers[4].mode, TRANSPARENT);
    EXPECT_EQ(answers[5].brush_color, RGB(0, 0, 44));
    // A new colour in the box: a brush of that colour.
    EXPECT_EQ(answers[6].brush_color, RGB(0, 255, 0));
    EXPECT_EQ(answers[6].text, RGB(255, 0, 255));
    // An empty colour box is left to the platform's default answer.
    EXPECT_EQ(answers[7].brush, GetSysColorBrush(COLOR_WINDOW));
}

TEST_F(InitialSettingsDialogTest, ClosesOnlyByItsCloseCommandOrCloseBox)
{
    Settings("[window]\r\nX=0.5\r\nY=0.5\r\n");
    std::vector<bool> visible;
    Run([&](HWND dialog) {
        for (int id : {IDOK, IDCANCEL, IDM_DELETE}) {
            Command(dialog, id);
            visible.push_back(IsWindowVisible(dialog) != FALSE);
        }
        Command(dialog, IDM_DIALOG_HELP);
        Command(dialog, IDM_CLOSE);
        visible.push_back(IsWindowVisible(dialog) != FALSE);
    });
    EXPECT_EQ(visible, (std::vector<bool>{true, true, true, false}));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "ヘルプファイル作成中");
    EXPECT_EQ(boxes_[0].icon, MessageBoxIcon::kInformation);
    EXPECT_EQ(SettingsFile(), "[window]\r\nX=0.5\r\nY=0.5\r\n");
}

}  // namespace
