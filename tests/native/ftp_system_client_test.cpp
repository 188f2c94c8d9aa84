#include "ftp/system_client.h"

#include <gtest/gtest.h>

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
