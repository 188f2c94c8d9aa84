// The daily log file: when it is written, its exact bytes, and its failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "log/log_file.h"
#include "log/message_log.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/control_text.h"
#include "tests/wine/temp_program_folder.h"

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 300, 200, owner_, nullptr, nullptr, nullptr);
        SetMessageList(list_);
        _putenv("COMPUTERNAME=SHOPPC01");
    }
    void TearDown() override { DestroyWindow(owner_); }

    void Settings(const char* text) { folder_.WriteFile("Vantrel.ini", text); }
    std::string TodayLogName() const
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char name[64];
        std::snprintf(name, sizeof name, "Log\\Vantrel%d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
        return name;
    }

    TempProgramFolder folder_;
    HWND owner_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(LogFileTest, WritesOneBlockPerCloseWithEveryListLine)
{
    Settings("[Vantrel]\r\nsystemlog=01\r\n");
    PostText(owner_, kListOnly, "first line");
    PostText(owner_, kListOnly, "転送ファイル ソ表.nc");
    EXPECT_EQ(WriteLogFile(owner_), 0);
    EXPECT_EQ(WriteLogFile(owner_), 0);

    // Split on CR LF: the Japanese line holds 0x5C trail bytes, so no regex over it.
    std::string log = folder_.ReadFile(TodayLogName());
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = log.find("\r\n", at)) != std::string::npos; at = next + 2) {
        lines.push_back(log.substr(at, next - at));
    }
    ASSERT_EQ(lines.size(), 12u) << log;
    EXPECT_EQ(log.size(), log.rfind("\r\n") + 2);  // nothing after the last line end
    const std::string rule(70, '-');
    const std::regex header(" {10}SHOPPC01 ・ \\d{4}年 \\d{1,2}月 \\d{1,2}日  \\d{1,2}時 \\d{1,2}分 \\d{1,2}秒");
    for (std::size_t block = 0; block < 2; ++block) {
        const std::string* line = &lines[block * 6];
        EXPECT_EQ(line[0], rule);
        EXPECT_TRUE(std::regex_match(line[1], header)) << line[1];
        EXPECT_EQ(line[2], rule);
        EXPECT_EQ(line[3], "first line");
        EXPECT_EQ(line[4], "転送ファイル ソ表.nc");
        EXPECT_EQ(line[5], "");
    }
}

// The client's transcript goes to the log only, in its place among the
// list's lines; kept with the log off, it is not kept at all.
TEST_F(LogFileTest, KeptLinesGoToTheLogAfterTheListLinesBeforeThem)
{
    Settings("[Vantrel]\r\nsystemlog=0\r\n");
    KeepLogLines({"never kept"});
    Settings("[Vantrel]\r\nsystemlog=1\r\n");
    KeepLogLines({"before all"});
    PostText(owner_, kListOnly, "run");
    KeepLogLines({"  ftp.exe | 220 ready", "  ftp.exe | 221 bye"});
    PostText(owner_, kListOnly, "done");
    KeepLogLines({"after all"});
    ASSERT_EQ(WriteLogFile(owner_), 0);
    std::string log = folder_.ReadFile(TodayLogName());
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = log.find("\r\n", at)) != std::string::npos; at = next + 2) {
        lines.push_back(log.substr(at, next - at));
    }
    ASSERT_GE(lines.size(), 3u) << log;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
              (std::vector<std::string>{"before all", "run", "  ftp.exe | 220 ready", "  ftp.exe | 221 bye", "done",
                                        "after all", ""}));
    EXPECT_EQ(ListBoxLines(list_), (std::vector<std::string>{"run", "done"}));
}

TEST_F(LogFileTest, OnlySystemlogOneWrites)
{
    PostText(owner_, kListOnly, "line");
    for (const char* settings : {"", "[Vantrel]\r\nsystemlog=0\r\n", "[Vantrel]\r\nsystemlog=2\r\n",
                                 "[Vantrel]\r\nsystemlog=yes\r\n"}) {
        Settings(settings);
        EXPECT_EQ(WriteLogFile(owner_), 0);
        EXPECT_FALSE(folder_.Exists("Log")) << settings;
    }
}

TEST_F(LogFileTest, AProgramFolderLongerThanMaxPathIsNamedWholeInItsError)
{
    // Over 300 bytes, more than a 260-byte folder buffer keeps. Such a folder
    // can be made only with the wide functions and a "\\\\?\\" path: the
    // ANSI file functions refuse every path over 259 bytes (measured under
    // Wine 8: error 206), so the log folder cannot be made and the user must
    // be told which one, whole.
    std::string deep = std::string(150, 'd') + "\\" + std::string(150, 'e');
    folder_.MakeFolder(deep.substr(0, 150));
    std::string ansi = "\\\\?\\" + folder_.path() + deep;
    ASSERT_TRUE(CreateDirectoryW(std::wstring(ansi.begin(), ansi.end()).c_str(), nullptr)) << GetLastError();
    g_startup.program_folder.Assign((folder_.path() + deep + "\\").c_str());
    ASSERT_GT(g_startup.program_folder.size(), 300u);
    Settings("[Vantrel]\r\nsystemlog=1\r\n");
    PostText(owner_, kListOnly, "line");
    MessageBoxCapture boxes;
    EXPECT_EQ(WriteLogFile(owner_), -1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "フォルダ " + folder_.path() + deep + "\\Log 作成失敗");
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageBoxIcon::kError);
}

TEST_F(LogFileTest, MissingComputerNameReadsNull)
{
    Settings("[Vantrel]\r\nsystemlog=1\r\n");
    _putenv("COMPUTERNAME=");
    PostText(owner_, kListOnly, "line");
    ASSERT_EQ(WriteLogFile(owner_), 0);
    EXPECT_NE(folder_.ReadFile(TodayLogName()).find("\r\n          (null) ・ "), std::string::npos);
}

TEST_F(LogFileTest, FailuresAreReportedAsErrors)
{
    Settings("[Vantrel]\r\nsystemlog=1\r\n");
    PostText(owner_, kListOnly, "line");
    {
        // A file where the folder should be.
        folder_.WriteFile("Log", "not a folder");
        MessageBoxCapture boxes;
        EXPECT_EQ(WriteLogFile(owner_), -1);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, "ログファイル " + folder_.path() + "Log\\" +
                                              TodayLogName().substr(4) + " 作成失敗");
        EXPECT_EQ(boxes.Boxes()[0].icon, MessageBoxIcon::kError);
    }
    {
        // The program folder itself is gone: the Log folder cannot be made.
        g_startup.program_folder.Assign((folder_.path() + "missing\\").c_str());
        MessageBoxCapture boxes;
        EXPECT_EQ(WriteLogFile(owner_), -1);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, "フォルダ " + folder_.path() + "missing\\Log 作成失敗");
    }
}

}  // namespace
