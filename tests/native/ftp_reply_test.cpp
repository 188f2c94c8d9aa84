#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ftp/reply.h"

namespace {

std::vector<std::string> Drain(LineSplitter& splitter)
{
    std::vector<std::string> lines;
    std::string line;
    while (splitter.NextLine(line)) lines.push_back(line);
    return lines;
}

TEST(FtpLineSplitter, JoinsPiecesAndKeepsShiftJisBytes)
{
    LineSplitter splitter;
    // "ソ表" (83 5C 95 5C): trail bytes equal to the backslash must survive.
    const std::string name = "\x83\x5C\x95\x5C.nc";
    std::string data = "150 Opening " + name + "\r\n226 Done\n220 partial";
    splitter.Feed(data.data(), 5);
    EXPECT_TRUE(Drain(splitter).empty());
    splitter.Feed(data.data() + 5, data.size() - 5);
    EXPECT_EQ(Drain(splitter), (std::vector<std::string>{"150 Opening " + name, "226 Done"}));
    splitter.Feed("\r\n", 2);
    EXPECT_EQ(Drain(splitter), (std::vector<std::string>{"220 partial"}));
}

// The same lines whatever pieces the bytes come in, also when the lines
// taken so far are dropped from the buffer between pieces.
TEST(FtpLineSplitter, SameLinesForEveryPieceSize)
{
    std::string data;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        expected.push_back(std::string(static_cast<std::size_t>(i % 37), 'a' + i % 26) + std::to_string(i));
        data += expected.back() + (i % 3 == 0 ? "\n" : "\r\n");
    }
    for (std::size_t piece : {1u, 2u, 7u, 64u, 1000u, 100000u}) {
        LineSplitter splitter;
        std::vector<std::string> lines;
        for (std::size_t pos = 0; pos < data.size(); pos += piece) {
            splitter.Feed(data.data() + pos, std::min(piece, data.size() - pos));
            for (const std::string& line : Drain(splitter)) lines.push_back(line);
            EXPECT_FALSE(splitter.Overlong()) << piece;
        }
        EXPECT_EQ(lines, expected) << "pieces of " << piece;
    }
    // Only the unfinished line counts towards the limit.
    LineSplitter splitter;
    std::string endless(LineSplitter::kMaxLine, 'x');
    splitter.Feed(endless.data(), endless.size());
    EXPECT_FALSE(splitter.Overlong());
    splitter.Feed("x", 1);
    EXPECT_TRUE(splitter.Overlong());
}

TEST(FtpReplyAssembler, SingleAndMultiLineReplies)
{
    ReplyAssembler reply;
    EXPECT_TRUE(reply.Add("230 Login successful."));
    EXPECT_EQ(reply.code(), 230);

    reply.Reset();
    EXPECT_FALSE(reply.Add("220-Welcome"));
    EXPECT_FALSE(reply.Add("220-still the greeting"));
    EXPECT_FALSE(reply.Add("221 a different code does not end it"));
    EXPECT_FALSE(reply.Add("   free text"));
    EXPECT_TRUE(reply.Add("220 ready"));
    EXPECT_EQ(reply.code(), 220);
    EXPECT_EQ(reply.lines().size(), 5u);

    // A first line without a code is a protocol error, not a wait for more.
    reply.Reset();
    EXPECT_TRUE(reply.Add("hello"));
    EXPECT_EQ(reply.code(), 0);
}

TEST(FtpReplyAssembler, AnEndlessReplyPassesItsLimits)
{
    struct Case {
        const char* what;
        std::string line;
        std::size_t lines_allowed;
    };
    const Case cases[] = {
        {"short lines", "220-welcome", ReplyAssembler::kMaxLines},
        {"long lines", "220-" + std::string(1020, 'w'), ReplyAssembler::kMaxBytes / 1024},
    };
    for (const Case& c : cases) {
        ReplyAssembler reply;
        std::size_t added = 0;
        while (!reply.TooLong() && added < 100000) {
            EXPECT_FALSE(reply.Add(c.line));
            ++added;
        }
        EXPECT_EQ(added, c.lines_allowed + 1) << c.what;
        reply.Reset();
        EXPECT_FALSE(reply.TooLong()) << c.what;
    }
}

TEST(FtpReplyCode, OnlyThreeDigitsFollowedByBlankDashOrEnd)
{
    EXPECT_EQ(ReplyCode("550 No such file"), 550);
    EXPECT_EQ(ReplyCode("226"), 226);
    EXPECT_EQ(ReplyCode("1234 x"), 0);
    EXPECT_EQ(ReplyCode("650 x"), 0);
    EXPECT_EQ(ReplyCode("22"), 0);
}

TEST(FtpPassiveReply, FindsTheGroupWhateverSurroundsIt)
{
    HostPort where;
    ASSERT_TRUE(ParsePassiveReply("227 Entering passive mode (127,0,0,5,195,80).", where));
    EXPECT_EQ(where.address[0], 127);
    EXPECT_EQ(where.address[3], 5);
    EXPECT_EQ(where.port, 195 * 256 + 80);
    EXPECT_EQ(PortArgument(where), "127,0,0,5,195,80");

    ASSERT_TRUE(ParsePassiveReply("227 =10,1,2,3,4,1", where));
    EXPECT_EQ(where.port, 1025);
    // Numbers before the group (a version, say) are skipped.
    ASSERT_TRUE(ParsePassiveReply("227 v1.2 ok 192,168,0,1,0,21", where));
    EXPECT_EQ(where.address[0], 192);
    EXPECT_EQ(where.port, 21);

    EXPECT_FALSE(ParsePassiveReply("227 Entering passive mode (127,0,0,256,1,1)", where));
    EXPECT_FALSE(ParsePassiveReply("227 Entering passive mode (127,0,0,1,1)", where));
    EXPECT_FALSE(ParsePassiveReply("227", where));
}

TEST(FtpDirectoryReply, QuotedPathWithDoubledQuotes)
{
    std::string path;
    ASSERT_TRUE(ParseDirectoryReply("257 \"/NC data\" is the current directory.", path));
    EXPECT_EQ(path, "/NC data");
    ASSERT_TRUE(ParseDirectoryReply("257 \"/say \"\"hi\"\"\" created.", path));
    EXPECT_EQ(path, "/say \"hi\"");
    EXPECT_FALSE(ParseDirectoryReply("257 \"/unterminated", path));
    EXPECT_FALSE(ParseDirectoryReply("257 no quotes", path));
}

// Without quotes the folder is the first word after the code, and only a
// word that begins with '/': a remark must not be taken for a folder.
TEST(FtpDirectoryReply, UnquotedPathIsTheFirstWordAfterTheCode)
{
    struct Case {
        const char* text;
        bool read;
        const char* path;
    } cases[] = {
        {"257 /PROG", true, "/PROG"},
        {"257  /PROG is the current directory.", true, "/PROG"},
        {"257 /", true, "/"},
        {"257 /\x95\x5C/NC", true, "/\x95\x5C/NC"},  // 表: the trail byte is a backslash
        {"257 \"/quoted\" /PROG", true, "/quoted"},
        {"257 Current directory is /PROG", false, ""},
        {"257 PROG", false, ""},
        {"257-/PROG", false, ""},
        {"257 ", false, ""},
        {"257", false, ""},
        {"/PROG", false, ""},
    };
    for (const Case& c : cases) {
        std::string path = "unchanged";
        bool read = ParseDirectoryReply(c.text, path);
        EXPECT_EQ(std::make_pair(read, read ? path : std::string()), std::make_pair(c.read, std::string(c.path)))
            << c.text;
    }
}

TEST(FtpSizeReply, OnlyA213WithOneWholeNumber)
{
    std::uint64_t size = 7;
    ASSERT_TRUE(ParseSizeReply("213 5000", size));
    EXPECT_EQ(size, 5000u);
    ASSERT_TRUE(ParseSizeReply("213 18446744073709551615 ", size));
    EXPECT_EQ(size, UINT64_MAX);
    size = 7;
    EXPECT_FALSE(ParseSizeReply("213 18446744073709551616", size));
    EXPECT_FALSE(ParseSizeReply("213-5000", size));
    EXPECT_FALSE(ParseSizeReply("213 ", size));
    EXPECT_FALSE(ParseSizeReply("213 50 00", size));
    EXPECT_FALSE(ParseSizeReply("550 5000", size));
    EXPECT_EQ(size, 7u);
}

TEST(FtpNameList, OneNamePerLineEitherLineEnd)
{
    EXPECT_EQ(SplitNameList("O1234\r\na b.nc\n\r\nPROG"), (std::vector<std::string>{"O1234", "a b.nc", "PROG"}));
    EXPECT_TRUE(SplitNameList("").empty());
}

TEST(FtpListLine, UnixFormsKeepNamesWithBlanks)
{
    ListEntry entry;
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // テスト
    ASSERT_TRUE(ParseListLine("-rw-r--r--   1 root     root      3000000 Dec 07 09:43 " + sjis + " 1.nc\r", entry));
    EXPECT_EQ(entry.name, sjis + " 1.nc");
    EXPECT_EQ(entry.size, 3000000u);
    EXPECT_FALSE(entry.is_directory);
    EXPECT_EQ(entry.modified, "Dec 07 09:43");

    ASSERT_TRUE(ParseListLine("drwxr-xr-x 2 ftp 4096 Oct 11  2026 NC", entry));  // no group column
    EXPECT_TRUE(entry.is_directory);
    EXPECT_EQ(entry.name, "NC");
    EXPECT_EQ(entry.size, 4096u);

    ASSERT_TRUE(ParseListLine("lrwxrwxrwx 1 u g 4 Jan 1 00:00 latest -> O1234", entry));
    EXPECT_TRUE(entry.is_link);
    EXPECT_EQ(entry.name, "latest");

    // Sizes up to what 64 bits hold; a larger one is no size at all.
    ASSERT_TRUE(ParseListLine("-rw-r--r-- 1 u g 18446744073709551615 Dec 07 09:43 big", entry));
    EXPECT_EQ(entry.size, UINT64_MAX);
    EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 u g 18446744073709551616 Dec 07 09:43 big", entry));
    EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 u g 99999999999999999999999 Dec 07 09:43 big", entry));

    EXPECT_FALSE(ParseListLine("total 12", entry));
    EXPECT_FALSE(ParseListLine("", entry));
    EXPECT_FALSE(ParseListLine("-rw-r--r-- 1 u g 12 Dec 07 09:43", entry));  // no name
}

TEST(FtpListLine, DosForms)
{
    ListEntry entry;
    ASSERT_TRUE(ParseListLine("10-11-26  09:05AM       <DIR>          NC data", entry));
    EXPECT_TRUE(entry.is_directory);
    EXPECT_EQ(entry.name, "NC data");
    ASSERT_TRUE(ParseListLine("10-11-26  09:05PM                 1234 O1234", entry));
    EXPECT_FALSE(entry.is_directory);
    EXPECT_EQ(entry.size, 1234u);
    EXPECT_EQ(entry.name, "O1234");
    EXPECT_FALSE(ParseListLine("10-11-26  09:05PM  18446744073709551616 O1234", entry));
}

// A folder's LIST data: which form it has, and the entries a caller gets
// ("name:d" a folder, ":l" a link, "=size" a file's known size).
TEST(FtpLongListing, FormAndEntries)
{
    struct Case {
        const char* data;
        ListingForm form;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"", ListingForm::kEmpty, {}},
        {"total 0\r\n", ListingForm::kEmpty, {}},
        {"\r\n\r\n", ListingForm::kEmpty, {}},
        {"drwxr-xr-x 2 u g 4096 Oct 11 09:05 .\r\ndrwxr-xr-x 2 u g 4096 Oct 11 09:05 ..\r\n", ListingForm::kEntries, {}},
        {"total 8\r\n-rw-r--r-- 1 u g 5000 Oct 11 09:05 O1234\r\ndrwxr-xr-x 2 u g 4096 Oct 11 09:05 NC\r\n"
         "lrwxrwxrwx 1 u g 5 Oct 11 09:05 latest -> O1234\r\n",
         ListingForm::kEntries, {"O1234=5000", "NC:d", "latest:l"}},
        {"10-11-26  09:05AM       <DIR>          NC\n10-11-26  09:05PM  1234 O1234\n", ListingForm::kEntries,
         {"NC:d", "O1234=1234"}},
        {"odd line\r\n-rw-r--r-- 1 u g 7 Oct 11 09:05 O1\r\n", ListingForm::kEntries, {"O1=7"}},
        {"O1234\r\nO5678\r\n", ListingForm::kUnknown, {}},
        {"total 8\r\nmodify=20261011;size=5; O1234\r\n", ListingForm::kUnknown, {}},
    };
    for (const Case& c : cases) {
        std::vector<FolderEntry> entries{FolderEntry{}};
        ListingForm form = ParseLongListing(c.data, entries);
        std::vector<std::string> got;
        for (const FolderEntry& entry : entries) {
            got.push_back(entry.name + (entry.is_directory ? ":d" : "") + (entry.is_link ? ":l" : "") +
                          (entry.size_known ? "=" + std::to_string(entry.size) : ""));
        }
        EXPECT_TRUE(form == c.form && got == c.entries)
            << c.data << " gave form " << static_cast<int>(form) << " and " << ::testing::PrintToString(got);
    }
}

TEST(FtpHostPort, OptionalPort)
{
    std::string host;
    std::uint16_t port = 0;
    ASSERT_TRUE(SplitHostPort("127.0.0.5", host, port));
    EXPECT_EQ(host, "127.0.0.5");
    EXPECT_EQ(port, 21);
    ASSERT_TRUE(SplitHostPort("mc1:2121", host, port));
    EXPECT_EQ(host, "mc1");
    EXPECT_EQ(port, 2121);
    EXPECT_FALSE(SplitHostPort("mc1:0", host, port));
    EXPECT_FALSE(SplitHostPort("mc1:65536", host, port));
    EXPECT_FALSE(SplitHostPort("mc1:21x", host, port));
    EXPECT_FALSE(SplitHostPort(":21", host, port));
    EXPECT_FALSE(SplitHostPort("", host, port));
}

}  // namespace
