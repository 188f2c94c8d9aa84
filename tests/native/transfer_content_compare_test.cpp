// The delivery check's comparison of a file read back in pieces with the
// local file read through a small buffer: the verdict and the offset of the
// first difference, wherever the pieces and the buffer's refills fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "transfer/content_compare.h"

namespace {

struct Case {
    const char* what;
    std::string local;
    std::string remote;
    std::size_t buffer;            // the local reader's buffer
    std::vector<std::size_t> cut;  // sizes of the remote pieces, the last one repeated
    ContentCompare::Verdict verdict;
    std::uint64_t offset;
    long long unreadable_after = -1;  // the local read fails once this many bytes were given
};

// Feeds `remote` in the case's pieces as a download would, stopping when
// the comparer says so, and returns the comparer's verdict.
ContentCompare::Verdict Compare(const Case& c, std::uint64_t& offset, std::size_t& fed)
{
    std::size_t given = 0;
    ContentCompare compare(
        [&](char* into, std::size_t capacity) -> long long {
            if (c.unreadable_after >= 0 && given >= static_cast<std::size_t>(c.unreadable_after)) return -1;
            std::size_t n = std::min(capacity, c.local.size() - given);
            c.local.copy(into, n, given);
            given += n;
            return static_cast<long long>(n);
        },
        c.buffer);
    fed = 0;
    std::size_t piece = 0;
    while (fed < c.remote.size()) {
        std::size_t size = std::min(c.cut[std::min(piece++, c.cut.size() - 1)], c.remote.size() - fed);
        bool more = compare.Feed(c.remote.data() + fed, size);
        fed += size;
        if (!more) break;
    }
    ContentCompare::Verdict verdict = compare.Finish();
    offset = compare.offset();
    return verdict;
}

TEST(ContentCompare, VerdictAndFirstDifferenceWhereverPiecesAndRefillsFall)
{
    using V = ContentCompare::Verdict;
    std::string program = "%\r\nO3333\r\nG01 X10. F1000\r\nM30\r\n%\r\n";  // 34 bytes
    std::string edited = program;
    edited.replace(edited.find("F1000"), 5, "F1200");  // same length, byte 21 differs
    std::string big(200000, 'x');
    std::string big_late = big;
    big_late[131072] = 'y';  // on a refill of a 64 KiB buffer
    const Case cases[] = {
        {"same, one piece", program, program, 64 * 1024, {1000}, V::kSame, 34},
        {"same, pieces of 1 across refills of 5", program, program, 5, {1}, V::kSame, 34},
        {"same, both empty", "", "", 16, {16}, V::kSame, 0},
        {"stale copy of the same length", program, edited, 64 * 1024, {1000}, V::kDiffers, 21},
        {"stale copy, the difference right after a refill", program, edited, 21, {7}, V::kDiffers, 21},
        {"stale copy, the difference at a piece's last byte", program, edited, 4, {22}, V::kDiffers, 21},
        {"first byte differs", "abc", "xbc", 2, {3}, V::kDiffers, 0},
        {"last byte differs", "abc", "abx", 2, {1}, V::kDiffers, 2},
        {"large file, a late byte at a buffer's edge", big, big_late, 64 * 1024, {65536, 1460}, V::kDiffers, 131072},
        {"remote cut short", program, program.substr(0, 20), 8, {3}, V::kRemoteShorter, 20},
        {"remote empty, local not", program, "", 8, {8}, V::kRemoteShorter, 0},
        {"remote longer", program, program + "M02\r\n", 8, {1000}, V::kRemoteLonger, 34},
        {"remote longer by the next piece", program, program + "%", 34, {34, 1}, V::kRemoteLonger, 34},
        {"local unreadable at the start", program, program, 8, {8}, V::kLocalUnreadable, 0, 0},
        {"local unreadable on a refill", program, program, 8, {8}, V::kLocalUnreadable, 16, 16},
        {"local unreadable when its end is looked for", program, program, 34, {34}, V::kLocalUnreadable, 34, 34},
    };
    for (const Case& c : cases) {
        std::uint64_t offset = 0;
        std::size_t fed = 0;
        ContentCompare::Verdict verdict = Compare(c, offset, fed);
        EXPECT_EQ(static_cast<int>(verdict), static_cast<int>(c.verdict)) << c.what;
        EXPECT_EQ(offset, c.offset) << c.what;
        // Nothing past the piece with the first difference is asked for.
        if (verdict == V::kDiffers) {
            EXPECT_LE(fed - offset, *std::max_element(c.cut.begin(), c.cut.end())) << c.what;
        }
    }
}

}  // namespace
