// The text and colour rules behind the initial settings dialog.
#include <gtest/gtest.h>

#include <climits>

#include "settings/setting_text.h"

namespace {

bool Same(const ColorRecord& a, const ColorRecord& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

TEST(ContrastColor, ShiftsEveryComponentByTheSmallestOne)
{
    EXPECT_TRUE(Same(ContrastColor({255, 0, 0}), {0, 255, 255}));
    EXPECT_TRUE(Same(ContrastColor({220, 220, 220}), {255, 255, 255}));
    EXPECT_TRUE(Same(ContrastColor({0, 0, 0}), {255, 255, 255}));
    EXPECT_TRUE(Same(ContrastColor({255, 255, 255}), {255, 255, 255}));
    EXPECT_TRUE(Same(ContrastColor({10, 100, 40}), {255, 165, 225}));
}

TEST(ContrastColor, HandEditedExtremesDoNotOverflow)
{
    // 255 + INT_MIN - INT_MAX would overflow in int; UBSan watches this run.
    ColorRecord contrast = ContrastColor({INT_MAX, INT_MIN, 0});
    EXPECT_EQ(ColorValueOf(contrast) & 0xFFu, static_cast<unsigned>(255 + static_cast<long long>(INT_MIN) - INT_MAX) & 0xFFu);
}

TEST(ColorText, ScanFillsOnlyWhatTheTextGivesAndColourTakesLowBytes)
{
    ColorRecord color = {220, 220, 220};
    ScanColorText("200,100", color);
    EXPECT_TRUE(Same(color, {200, 100, 220}));
    ScanColorText("abc", color);
    EXPECT_TRUE(Same(color, {200, 100, 220}));
    ScanColorText(" 1, -2,3", color);
    EXPECT_TRUE(Same(color, {1, -2, 3}));

    EXPECT_EQ(ColorValueOf({300, 0, 0}), 44u);
    EXPECT_EQ(ColorValueOf({255, 0, 128}), 0x8000FFu);
    EXPECT_EQ(ColorValueOf({-1, 256, 1}), 0x0100FFu);
}

TEST(SettingNeedsWrite, OnlyANonEmptyBoxThatDiffersAsText)
{
    EXPECT_FALSE(SettingNeedsWrite("", "0.5"));
    EXPECT_FALSE(SettingNeedsWrite("", ""));
    EXPECT_FALSE(SettingNeedsWrite("0.5", "0.5"));
    EXPECT_TRUE(SettingNeedsWrite("0.50", "0.5"));
    EXPECT_TRUE(SettingNeedsWrite("0.5", ""));
    EXPECT_TRUE(SettingNeedsWrite("255,0,0", "255, 0,0"));
    // ASCII letters compare in any case; double-byte characters exactly.
    EXPECT_FALSE(SettingNeedsWrite("1E-1", "1e-1"));
    // ア is 83 41 and ヂ is 83 61: trail bytes that fold to each other as ASCII.
    EXPECT_TRUE(SettingNeedsWrite("ア", "ヂ"));
}

}  // namespace
