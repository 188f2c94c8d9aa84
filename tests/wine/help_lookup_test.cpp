// Looking help keys up in help\help.ini: the four failures, the refusal of a
// help folder path too long for its buffer, and the shipped help folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_state.h"
#include "info/help_lookup.h"
#include "log/message_log.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/temp_program_folder.h"

namespace {

class HelpLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 200, 100, owner_, nullptr, nullptr, nullptr);
        SetMessageList(list_);
    }
    void TearDown() override { DestroyWindow(owner_); }

    // OpenHelpFile's result and the texts of the boxes it showed.
    std::pair<int, std::vector<std::string>> Open(const char* key)
    {
        MessageBoxCapture capture;
        int result = OpenHelpFile(owner_, key);
        std::vector<std::string> texts;
        for (const CapturedWindow& box : capture.Boxes()) {
            EXPECT_EQ(box.icon, MessageBoxIcon::kError);
            texts.push_back(box.text);
        }
        return {result, texts};
    }
    using Outcome = std::pair<int, std::vector<std::string>>;

    TempProgramFolder folder_;
    HWND owner_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(HelpLookupTest, EachFailureBeforeTheShellNamesWhatIsMissing)
{
    EXPECT_EQ(Open("ヘルプ"), Outcome(-1, {"ヘルプテーブル " + folder_ / "help\\help.ini" + " がありません。"}));

    folder_.MakeFolder("help");
    folder_.WriteFile("help\\help.ini", "[help]\r\nヘルプ=pages\\main.html\r\nマシニング登録=\r\n");
    EXPECT_EQ(Open("マシニング登録"), Outcome(-1, {"エラー：[help] マシニング登録= | ヘルプファイル取得失敗"}));
    EXPECT_EQ(Open("初期設定"), Outcome(-1, {"エラー：[help] 初期設定= | ヘルプファイル取得失敗"}));
    EXPECT_EQ(Open("ヘルプ"), Outcome(-1, {"ヘルプファイル " + folder_ / "help\\pages\\main.html" + " がありません。"}));
}

TEST_F(HelpLookupTest, AFileTheShellCannotOpenIsReportedAfterTheRequest)
{
    folder_.MakeFolder("help");
    folder_.WriteFile("help\\help.ini", "[help]\r\nヘルプ=page.vantrel-none\r\n");
    folder_.WriteFile("help\\page.vantrel-none", "no viewer is registered for this type");
    EXPECT_EQ(Open("ヘルプ"), Outcome(0, {"エラー：ヘルプファイルが開けません"}));
}

TEST_F(HelpLookupTest, AHelpFolderPathTooLongForItsBufferIsRefusedWhole)
{
    // 256 + "help\\" = 261 bytes: one past the 259 the help folder can hold.
    std::string long_folder = "C:\\" + std::string(252, 'd') + "\\";
    ASSERT_EQ(long_folder.size(), 256u);
    g_startup.program_folder.Assign(long_folder.c_str());
    EXPECT_EQ(Open("ヘルプ"), Outcome(-1, {"エラー：ヘルプフォルダのパスが長すぎます " + long_folder + "help\\"}));

    // 254 + 5 = 259 bytes still fits: the lookup goes on to the table.
    long_folder = "C:\\" + std::string(250, 'd') + "\\";
    g_startup.program_folder.Assign(long_folder.c_str());
    EXPECT_EQ(Open("ヘルプ"), Outcome(-1, {"ヘルプテーブル " + long_folder + "help\\help.ini がありません。"}));
}

// The help folder of the source tree, as Wine sees it.
std::string ShippedHelpFolder()
{
    std::string windows = "Z:" VANTREL_SOURCE_DIR "/help";
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    return windows;
}

TEST_F(HelpLookupTest, TheShippedHelpTableNamesAPageForEveryKeyTheProgramPasses)
{
    std::string shipped = ShippedHelpFolder();
    ASSERT_NE(GetFileAttributesA((shipped + "\\help.ini").c_str()), INVALID_FILE_ATTRIBUTES) << shipped;
    folder_.MakeFolder("help");
    for (const char* name : {"help.ini", "vantrel.html", "machine.html", "messages.html", "style.css"}) {
        ASSERT_TRUE(CopyFileA((shipped + "\\" + name).c_str(), (folder_ / "help\\" + name).c_str(), FALSE)) << name;
    }
    // 0: the table, the key and the page were all found and the shell was
    // asked. Whether it has a viewer for .html depends on the system (a
    // prefix made without mshtml has none): its refusal is the only box allowed.
    for (const char* key : {"ヘルプ", "マシニング登録"}) {
        SCOPED_TRACE(key);
        Outcome outcome = Open(key);
        EXPECT_EQ(outcome.first, 0);
        for (const std::string& text : outcome.second) EXPECT_EQ(text, "エラー：ヘルプファイルが開けません");
    }
}

}  // namespace
