// Posting to the message list: lines, horizontal extent, selection, the cut
// of an over-long text, and the box shown for each kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_state.h"
#include "log/message_log.h"
#include "tests/rig/message_box_capture.h"
#include "tests/wine/control_text.h"

namespace {

class MessageListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowA("LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY, 0, 0, 580,
                              200, parent_, nullptr, nullptr, nullptr);
        SetMessageList(list_);
        g_startup.longest_line_width = 70;
    }
    void TearDown() override { DestroyWindow(parent_); }

    std::vector<std::string> Lines() const { return ListBoxLines(list_); }
    int Extent() const { return static_cast<int>(SendMessageA(list_, LB_GETHORIZONTALEXTENT, 0, 0)); }
    int Selected() const { return static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)); }

    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(MessageListTest, LinesAreAddedInOrderAndTheLastIsSelected)
{
    PostText(parent_, kListOnly, "A\nB");
    PostText(parent_, kListOnly, "C\n");
    PostText(parent_, static_cast<MessageKind>(2), "\n");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"A", "B", "C", "", "", ""}));
    EXPECT_EQ(Selected(), 5);
    EXPECT_TRUE(g_message.empty());
}

TEST_F(MessageListTest, ExtentGrowsOnlyForLongerSingleLineMessages)
{
    PostText(parent_, kListOnly, "%s", std::string(70, 'x').c_str());
    EXPECT_EQ(Extent(), 0);
    PostText(parent_, kListOnly, "%s\n%s", std::string(200, 'y').c_str(), "short");
    EXPECT_EQ(Extent(), 0);
    EXPECT_EQ(g_startup.longest_line_width, 70);

    PostText(parent_, kListOnly, "%s", std::string(80, 'x').c_str());
    int after_80 = Extent();
    EXPECT_GT(after_80, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(g_startup.longest_line_width, 80);
    PostText(parent_, kListOnly, "%s", std::string(75, 'x').c_str());
    EXPECT_EQ(Extent(), after_80);
    PostText(parent_, kListOnly, "%s", std::string(120, 'x').c_str());
    EXPECT_GT(Extent(), after_80);
}

TEST_F(MessageListTest, OverlongTextIsCutAtACharacterBoundary)
{
    // 1 + 2 * 700 bytes: the cut at 1023 would fall inside a character.
    std::string text = "A";
    for (int i = 0; i < 700; ++i) text += "テ";
    PostText(parent_, kListOnly, "%s", text.c_str());
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[0].substr(1021), "テ");
}

TEST_F(MessageListTest, EachKindShowsItsBox)
{
    MessageBoxCapture boxes;
    EXPECT_EQ(PostText(parent_, kError, "エラー：%s", "x"), -1);
    // Kinds outside the named ones: any negative is an error, any other shows no box.
    EXPECT_EQ(PostText(parent_, static_cast<MessageKind>(-5), "minus five"), -5);
    EXPECT_EQ(PostText(parent_, kListOnly, "zero"), 0);
    EXPECT_EQ(PostText(parent_, static_cast<MessageKind>(2), "two"), 2);
    EXPECT_EQ(PostText(parent_, kInformation, "情報\n二行目"), 1);
    EXPECT_EQ(PostText(parent_, kWarning, "warn"), 3);

    const auto& shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].caption, "Vantrel");
    EXPECT_EQ(shown[0].text, "エラー：x");
    EXPECT_EQ(shown[0].icon, MessageBoxIcon::kError);
    EXPECT_EQ(shown[1].icon, MessageBoxIcon::kError);
    EXPECT_EQ(shown[2].text, "情報\n二行目");
    EXPECT_EQ(shown[2].icon, MessageBoxIcon::kInformation);
    EXPECT_EQ(shown[3].icon, MessageBoxIcon::kWarning);
    // The list keeps every line, boxes or not.
    EXPECT_EQ(Lines().size(), 7u);
}

}  // namespace
