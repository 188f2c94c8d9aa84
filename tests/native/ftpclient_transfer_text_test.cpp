#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ftpclient/transfer_text.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;
constexpr std::uint64_t kLargest = UINT64_MAX;

TEST(FtpClientTransferText, WhileAFileMoves)
{
    struct Case {
        const char* what;
        TransferFigures figures;
        const char* text;
    };
    const Case cases[] = {
        {"no time passed yet", {1000, 3000, true, 0}, "1,000 / 3,000 バイト"},
        {"nothing moved yet", {0, 3000, true, 500}, "0 / 3,000 バイト"},
        {"an empty file", {0, 0, true, 0}, "0 / 0 バイト  サーバーの応答を待っています"},
        {"KB with one decimal", {1536, 3072, true, 1000}, "1,536 / 3,072 バイト  1.5 KB/s  残り 0:01"},
        {"a stalled line", {10, 1000, true, 10000}, "10 / 1,000 バイト  0.0 KB/s  残り 16:30"},
        {"just below 100 KB/s", {102348, 204800, true, 1000}, "102,348 / 204,800 バイト  99.9 KB/s  残り 0:02"},
        {"100 KB/s and up in whole KB", {102400, 204800, true, 1000}, "102,400 / 204,800 バイト  100 KB/s  残り 0:01"},
        {"the last whole KB", {1047552, 2 * kMiB, true, 1000}, "1,047,552 / 2,097,152 バイト  1023 KB/s  残り 0:02"},
        {"1023.5 KB/s is 1.0 MB/s", {1048064, 2 * kMiB, true, 1000}, "1,048,064 / 2,097,152 バイト  1.0 MB/s  残り 0:02"},
        {"MB with one decimal", {3 * kMiB, 30 * kMiB, true, 2000}, "3,145,728 / 31,457,280 バイト  1.5 MB/s  残り 0:18"},
        // A fraction of a second left is a second, never "0:00".
        {"rounded up", {3 * kMiB, 3 * kMiB + 1, true, 2000}, "3,145,728 / 3,145,729 バイト  1.5 MB/s  残り 0:01"},
        {"all handed over", {3 * kMiB, 3 * kMiB, true, 2000},
         "3,145,728 / 3,145,728 バイト  1.5 MB/s  サーバーの応答を待っています"},
        {"over an hour left", {kMiB, 4 * kGiB, true, 1000}, "1,048,576 / 4,294,967,296 バイト  1.0 MB/s  残り 1:08:15"},
        {"100 hours or more", {1, 1000000000, true, 1000}, "1 / 1,000,000,000 バイト  0.0 KB/s  残り 100 時間以上"},
        {"a large file at 102 MB/s", {40 * kGiB, 50 * kGiB, true, 400000},
         "42,949,672,960 / 53,687,091,200 バイト  102 MB/s  残り 1:40"},
        {"sizes near 2^64 do not overflow", {kLargest - 1, kLargest, true, 1},
         "18,446,744,073,709,551,614 / 18,446,744,073,709,551,615 バイト  17592186044416000 MB/s  残り 0:01"},
        {"a size the server did not list", {5000, 0, false, 1000}, "5,000 バイト  4.9 KB/s"},
        {"a file that grew past its size", {5000, 4000, true, 1000}, "5,000 バイト  4.9 KB/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransferProgressText(c.figures), c.text)
            << c.what << ": " << c.figures.done << " of " << c.figures.total << " in " << c.figures.elapsed_ms << " ms";
    }
}

TEST(FtpClientTransferText, AfterAJob)
{
    struct Case {
        std::size_t files;
        std::uint64_t bytes;
        std::uint64_t elapsed_ms;
        const char* text;
    };
    const Case cases[] = {
        {2, 6 * kMiB, 4000, "2 件 6,291,456 バイト  平均 1.5 MB/s"},
        {1, 12345, 0, "1 件 12,345 バイト"},  // too quick to measure
        {3, 0, 100, "3 件 0 バイト"},         // empty files
        {1, 500, 2000, "1 件 500 バイト  平均 0.2 KB/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransferSummaryText(c.files, c.bytes, c.elapsed_ms), c.text)
            << c.files << " files, " << c.bytes << " bytes in " << c.elapsed_ms << " ms";
    }
}

// A box lists at most kBoxListLines lines and counts the rest.
TEST(FtpClientTransferText, BoxListsStopAtTheirLongest)
{
    auto numbered = [](std::size_t count) {
        std::vector<std::string> lines;
        for (std::size_t i = 1; i <= count; ++i) lines.push_back("O" + std::to_string(i));
        return lines;
    };
    std::string twenty;
    for (std::size_t i = 1; i <= kBoxListLines; ++i) twenty += "\nO" + std::to_string(i);
    struct Case {
        const char* head;
        std::size_t lines;
        std::string text;
    };
    const Case cases[] = {
        {"", 1, "O1"},
        {"", 2, "O1\nO2"},
        {"削除できませんでした:", 1, "削除できませんでした:\nO1"},
        {"削除できませんでした:", kBoxListLines, "削除できませんでした:" + twenty},
        {"削除できませんでした:", kBoxListLines + 1, "削除できませんでした:" + twenty + "\nほか 1 件"},
        {"", 300, twenty.substr(1) + "\nほか 280 件"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoxListText(c.head, numbered(c.lines)), c.text) << "head \"" << c.head << "\", " << c.lines << " lines";
    }
}

}  // namespace
