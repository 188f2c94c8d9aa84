// The private-profile behaviour the program relies on, measured under Wine
// through platform/profile.h and, where the wrapper adds nothing, the raw API.
// Each test writes its own file name: Wine caches a profile per process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/profile.h"
#include "tests/wine/temp_program_folder.h"

namespace {

class ProfileTest : public testing::Test {
protected:
    // A file with the given bytes (CR LF lines, as the program's files are).
    std::string File(const std::string& name, const std::string& bytes)
    {
        folder_.WriteFile(name, bytes);
        return folder_ / name;
    }

    std::string RawString(const char* section, const char* key, DWORD size, const std::string& path,
                          DWORD* result = nullptr)
    {
        std::string buffer(size, '\x7F');
        DWORD got = GetPrivateProfileStringA(section, key, "dflt", buffer.data(), size, path.c_str());
        if (result != nullptr) *result = got;
        return buffer.c_str();
    }

    TempProgramFolder folder_;
};

TEST_F(ProfileTest, StringValuesAreTrimmedCutAndMatchedInAnyCase)
{
    std::string path = File("read.ini",
                            "[WINDOW]\r\nx =  0.25  \r\nlong=abcdef\r\nempty=\r\nquoted=\"ab\"\r\n");
    DWORD got = 0;
    EXPECT_EQ(RawString("window", "X", 16, path, &got), "0.25");
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(RawString("Window", "long", 4, path, &got), "abc");  // size - 1
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(RawString("window", "empty", 16, path, &got), "");
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(RawString("window", "quoted", 16, path), "ab");
    // Missing key, section and file give the default.
    EXPECT_EQ(RawString("window", "none", 16, path, &got), "dflt");
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(RawString("nothing", "x", 16, path), "dflt");
    EXPECT_EQ(RawString("window", "x", 16, folder_ / "missing.ini"), "dflt");
}

TEST_F(ProfileTest, ReadProfileTextNeverEndsInHalfACharacter)
{
    // Wine's own cut inside テ-ス-ト leaves a garbage byte; the wrapper's must not.
    std::string path = File("sjis.ini", "[s]\r\nv=テスト\r\nmixed=aテスト\r\nempty=\r\n");
    char out[8];
    EXPECT_EQ(ReadProfileText("s", "v", out, 4, path.c_str()), 2u);
    EXPECT_STREQ(out, "テ");
    EXPECT_EQ(ReadProfileText("s", "v", out, 5, path.c_str()), 4u);
    EXPECT_STREQ(out, "テス");
    EXPECT_EQ(ReadProfileText("s", "v", out, 7, path.c_str()), 6u);
    EXPECT_STREQ(out, "テスト");
    EXPECT_EQ(ReadProfileText("s", "mixed", out, 3, path.c_str()), 1u);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(ReadProfileText("s", "mixed", out, 4, path.c_str()), 3u);
    EXPECT_STREQ(out, "aテ");

    FixedText<16> text("old");
    EXPECT_EQ(ReadProfileText("s", "empty", text, path.c_str()), 0u);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(ReadProfileText("s", "missing", text, path.c_str()), 0u);
    EXPECT_TRUE(text.empty());
}

TEST_F(ProfileTest, IntegersReadTheLeadingNumber)
{
    std::string path = File("int.ini",
                            "[Vantrel]\r\nsystemlog=01\r\nyes=yes\r\nneg=-5\r\nblank= 7\r\nsuffix=12abc\r\n"
                            "plus=+3\r\nhex=0x10\r\nempty=\r\n");
    EXPECT_EQ(ReadProfileInt("vantrel", "SYSTEMLOG", 0, path.c_str()), 1);
    EXPECT_EQ(ReadProfileInt("Vantrel", "yes", 9, path.c_str()), 0);
    EXPECT_EQ(ReadProfileInt("Vantrel", "neg", 0, path.c_str()), -5);
    EXPECT_EQ(ReadProfileInt("Vantrel", "blank", 0, path.c_str()), 7);
    EXPECT_EQ(ReadProfileInt("Vantrel", "suffix", 0, path.c_str()), 12);
    EXPECT_EQ(ReadProfileInt("Vantrel", "plus", 0, path.c_str()), 3);
    // Wine reads a hexadecimal prefix: "0x10" is 16, not 0.
    EXPECT_EQ(ReadProfileInt("Vantrel", "hex", 0, path.c_str()), 16);
    // An empty value gives the default, as a missing key does.
    EXPECT_EQ(ReadProfileInt("Vantrel", "empty", 9, path.c_str()), 9);
    EXPECT_EQ(ReadProfileInt("Vantrel", "missing", 9, path.c_str()), 9);
}

TEST_F(ProfileTest, WritesKeepEmptyValuesAndDeleteWholeSections)
{
    std::string path = folder_ / "write.ini";
    ASSERT_TRUE(WriteProfileText("machine", "0", "MC1", path.c_str()));
    ASSERT_TRUE(WriteProfileText("machine", "1", "", path.c_str()));
    ASSERT_TRUE(WriteProfileText("MC1", "IP", "127.0.0.5", path.c_str()));
    ASSERT_TRUE(WriteProfileText("表", "ソ", "値", path.c_str()));
    EXPECT_EQ(folder_.ReadFile("write.ini"),
              "[machine]\r\n0=MC1\r\n1=\r\n[MC1]\r\nIP=127.0.0.5\r\n[表]\r\nソ=値\r\n");

    ASSERT_TRUE(WriteProfileText("MACHINE", "0", "MC2", path.c_str()));  // replaces, any case
    ASSERT_TRUE(DeleteProfileSection("mc1", path.c_str()));
    EXPECT_EQ(folder_.ReadFile("write.ini"), "[machine]\r\n0=MC2\r\n1=\r\n[表]\r\nソ=値\r\n");
    char out[16];
    EXPECT_EQ(ReadProfileText("MC1", "IP", out, sizeof out, path.c_str()), 0u);
}

TEST_F(ProfileTest, WritesFailWhereNoFileCanBe)
{
    EXPECT_FALSE(WriteProfileText("s", "k", "v", (folder_ / "missing\\x.ini").c_str()));
    folder_.MakeFolder("folder.ini");
    EXPECT_FALSE(WriteProfileText("s", "k", "v", (folder_ / "folder.ini").c_str()));
    EXPECT_FALSE(DeleteProfileSection("s", (folder_ / "missing\\x.ini").c_str()));
}

}  // namespace
