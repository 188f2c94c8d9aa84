#include "ftp/system_client.h"
#include "transfer/client_start.h"

#include <gtest/gtest.h>

#include <vector>

// Which client Vantrel meets, by the file version of the system's ftp.exe.
TEST(FtpSystemClient, Utf8FromWindows8sClientOn)
{
    struct Case {
        const char* name;
        ClientVersion version;
        bool utf8;
    };
    const Case cases[] = {
        {"no ftp.exe", ClientVersion{}, false},
        {"Windows 7 SP1", {true, 6, 1, 7601, 17514}, false},
        {"Windows 8", {true, 6, 2, 9200, 16384}, true},
        {"Windows 8.1", {true, 6, 3, 9600, 16384}, true},
        {"Windows 10", {true, 10, 0, 19041, 1}, true},
        {"Vista", {true, 6, 0, 6002, 18005}, false},
        {"XP", {true, 5, 1, 2600, 5512}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClientReadsUtf8(c.version), c.utf8) << c.name;
        EXPECT_EQ(ClientOffersUtf8(c.version), c.utf8) << c.name;
    }
}

// A start that fails through no fault of the program is made again, a few
// times at most; one that fails because of the program is not.
TEST(ClientStart, TriedAgainOnlyWhileTheFailureMayPass)
{
    struct Case {
        const char* name;
        std::vector<unsigned long> failures;  // of the starts before the one that succeeds
        bool started;
        int starts;
        unsigned long error;
    };
    const Case cases[] = {
        {"first start", {}, true, 1, 0},
        {"internal error once", {kStartErrorInternal}, true, 2, 0},
        {"short of memory twice", {kStartErrorOutOfMemory, kStartErrorNotEnoughMemory}, true, 3, 0},
        {"internal error every time", {1359, 1359, 1359, 1359}, false, kClientStartTries, 1359},
        {"not found", {2}, false, 1, 2},
        {"access denied", {5}, false, 1, 5},
        {"bad image", {193}, false, 1, 193},
        {"passing, then not found", {kStartErrorNoResources, 3}, false, 2, 3},
    };
    for (const Case& c : cases) {
        int starts = 0, pauses = 0;
        StartTries tries = StartWithRetries(
            [&](unsigned long& error) {
                if (starts++ == static_cast<int>(c.failures.size())) return true;
                error = c.failures[starts - 1];
                return false;
            },
            [&] { ++pauses; });
        EXPECT_EQ(tries.started, c.started) << c.name;
        EXPECT_EQ(starts, c.starts) << c.name;
        EXPECT_EQ(pauses, starts - 1) << c.name;
        EXPECT_EQ(tries.retries, starts - 1) << c.name;
        EXPECT_EQ(tries.error, c.error) << c.name;
        EXPECT_EQ(tries.first_error, c.failures.empty() ? 0 : c.failures[0]) << c.name;
    }
}
