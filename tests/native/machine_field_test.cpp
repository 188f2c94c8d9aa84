#include <gtest/gtest.h>

#include <string>

#include "machines/machine_field.h"

namespace {

// What an IME left on types into the address, user and password fields.
TEST(MachineField, FullWidthAsciiIsFoldedAndTheRestKept)
{
    struct Case {
        const char* what;
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {"ASCII stays", "192.168.1.1", "192.168.1.1"},
        {"full-width address", "１９２．１６８．１．１", "192.168.1.1"},
        {"mixed widths", "192．168.１.1", "192.168.1.1"},
        {"letters, both cases", "ＮＣｕｓｅｒ", "NCuser"},
        {"host with port", "ｍｃ１：２１２１", "mc1:2121"},
        {"the whole symbol range", "！＃＄％＆（）＊＋，－／：；＜＝＞？＠［＼］＾＿｀｛｜｝～", "!#$%&()*+,-/:;<=>?@[\\]^_`{|}~"},
        {"quote and apostrophe (NEC-selected and IBM codes)", "\xEE\xFC\xEE\xFB\xFA\x57\xFA\x56", "\"'\"'"},
        {"ideographic space", "ａ　ｂ", "a b"},
        {"kana and kanji stay", "加工ソ", "加工ソ"},
        {"half-width kana stay", "\xB1\xB2", "\xB1\xB2"},
        {"a lead byte cut off at the end stays", "１\x82", "1\x82"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FoldFullWidthAscii(c.typed), c.saved) << c.what;
}

}  // namespace
