#include <gtest/gtest.h>

#include "log/message_lines.h"

namespace {

using Lines = std::vector<std::string>;

TEST(MessageLines, LineFeedsCutTheTextAndTheLastPieceAlwaysCounts)
{
    EXPECT_EQ(SplitMessageLines("A"), Lines({"A"}));
    EXPECT_EQ(SplitMessageLines("A\nB"), Lines({"A", "B"}));
    EXPECT_EQ(SplitMessageLines("A\n"), Lines({"A", ""}));
    EXPECT_EQ(SplitMessageLines("\n"), Lines({"", ""}));
    EXPECT_EQ(SplitMessageLines(""), Lines({""}));
    EXPECT_EQ(SplitMessageLines("3個の設定値を保存しました\n再起動時に有効になります"),
              Lines({"3個の設定値を保存しました", "再起動時に有効になります"}));
}

}  // namespace
