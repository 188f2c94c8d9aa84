// The texts of the information commands byte for byte: the version box,
// the program-information lines and the [system] keys, with the failures of
// the system information update.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "app/startup_state.h"
#include "info/system_info.h"
#include "info/version_info.h"
#include "log/message_log.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"

namespace {

TEST(VersionText, TitleMakerProductVersionAndUnpaddedBuildDate)
{
    InitializeStartup();
    FixedText<512> text;
    MakeVersionText("ＮＣファイル転送", text);
    EXPECT_STREQ(text.c_str(),
                 "ＮＣファイル転送／Tarnvale Service#Vantrel Version 2026R0.07.3037 [Build Date 2026/10/11]");

    // Day and month are not zero-filled; the minor is.
    VersionRecord saved = g_version;
    g_version = {2027, 3, 4, 1, 2, 0};
    CompleteBuildNumber();
    MakeVersionText("T", text);
    g_version = saved;
    EXPECT_STREQ(text.c_str(), "T／Tarnvale Service#Vantrel Version 2027R1.02.2331 [Build Date 2027/3/4]");
}

// The test program's own last-write time, read another way than the program
// reads it (C runtime stat and localtime).
std::string OwnFileTime()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    struct _stat64 status;
    if (_stat64(path, &status) != 0) return "stat failed";
    std::tm local = *_localtime64(&status.st_mtime);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

TEST(ProgramInfoText, SixRightAlignedLinesInTheMessageBuffer)
{
    InitializeStartup();
    g_message.Assign("left over");
    EXPECT_EQ(MakeProgramInfo(), 0);
    std::string expected = "   Developer : Tarnvale Service\n"
                           "    Software : Vantrel\n"
                           "     Version : 2026R0.07.3037\n"
                           "  Build Date : " + OwnFileTime() + "\n"
                           "   Copyright : " + std::string(g_startup.long_copyright.c_str()) + "\n"
                           "    Official : " + kMakerWebAddress + "\n";
    EXPECT_EQ(std::string(g_message.c_str()), expected);
    g_message.Clear();
}

class SystemInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CompleteBuildNumber();
        main_ = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 200, 100, main_, nullptr, nullptr, nullptr);
        SetMessageList(list_);
    }
    void TearDown() override { DestroyWindow(main_); }

    std::string LastLine() const
    {
        int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
        if (count < 1) return "";
        std::string line(static_cast<size_t>(SendMessageA(list_, LB_GETTEXTLEN, count - 1, 0)), '\0');
        SendMessageA(list_, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(line.data()));
        return line;
    }

    TempProgramFolder folder_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(SystemInfoTest, AddsTheSectionWithVersionAndProgramFileTimeAndRepeatsIdentically)
{
    folder_.WriteFile("Vantrel.ini", "[Vantrel]\r\nconsol=0\r\n");
    MessageBoxCapture boxes;
    EXPECT_EQ(UpdateSystemInfo(main_), 0);
    EXPECT_EQ(LastLine(), "+++ システム情報の更新");
    const std::string expected =
        "[Vantrel]\r\nconsol=0\r\n[system]\r\nversion=R0.07.3037\r\ndatetime=" + OwnFileTime() + "\r\n";
    EXPECT_EQ(folder_.ReadFile("Vantrel.ini"), expected);
    EXPECT_EQ(UpdateSystemInfo(main_), 0);
    EXPECT_EQ(folder_.ReadFile("Vantrel.ini"), expected);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SystemInfoTest, EachFailedWriteIsReportedAndTheOtherStillTried)
{
    folder_.MakeFolder("Vantrel.ini");
    MessageBoxCapture boxes;
    EXPECT_EQ(UpdateSystemInfo(main_), 0);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, "エラー：[system] version=R0.07.3037 | 書き込み失敗");
    EXPECT_EQ(boxes.Boxes()[1].text, "エラー：[system] datetime=" + OwnFileTime() + " | 書き込み失敗");
    EXPECT_EQ(boxes.Boxes()[1].icon, MessageBoxIcon::kError);
}

}  // namespace
