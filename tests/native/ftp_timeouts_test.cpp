#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/timeouts.h"

namespace {

// The waits of the three FTP programs: whole seconds 1..3600 from the
// environment, blanks around them allowed; anything else keeps the default
// of that wait and is named in the refusal text.
TEST(FtpTimeouts, WholeSecondsInRangeOrTheDefault)
{
    auto ms = [](const FtpTimeouts& t) { return std::vector<unsigned long>{t.connect_ms, t.reply_ms, t.data_idle_ms}; };
    using Ms = std::vector<unsigned long>;
    struct Case {
        const char* connect;
        const char* reply;
        Ms expected;
        bool refused;
    };
    const Case cases[] = {
        {nullptr, nullptr, {10000, 30000, 30000}, false},
        {"3", "5", {3000, 5000, 5000}, false},
        {nullptr, "3600", {10000, 3600000, 3600000}, false},
        {"1", nullptr, {1000, 30000, 30000}, false},
        {" 5", "120 ", {5000, 120000, 120000}, false},
        {"\t7\t", "  ", {7000, 30000, 30000}, false},
        {"", "", {10000, 30000, 30000}, false},
    };
    for (const Case& c : cases) {
        std::string refused = "old";
        EXPECT_EQ(ms(TimeoutsFromSettings(c.connect, c.reply, &refused)), c.expected) << c.connect << "/" << c.reply;
        EXPECT_EQ(refused, "") << c.connect << "/" << c.reply;
    }
    for (const char* bad : {"0", "3601", "99999999999999999999", "-5", "+5", "5s", "1 2", "1.5", "０"}) {
        std::string refused;
        EXPECT_EQ(ms(TimeoutsFromSettings(bad, bad, &refused)), (Ms{10000, 30000, 30000})) << bad;
        // One line for each variable, naming it and the value as given.
        EXPECT_EQ(refused.find("VANTREL_FTP_CONNECT_TIMEOUT"), refused.rfind("VANTREL_FTP_CONNECT_TIMEOUT")) << bad;
        EXPECT_NE(refused.find("VANTREL_FTP_TIMEOUT"), std::string::npos) << bad;
        EXPECT_NE(refused.find('\n'), std::string::npos) << bad;
        EXPECT_NE(refused.find(bad), std::string::npos) << bad;
    }
}

// A listing has the reply wait, and one more for every 32 KiB that arrived.
TEST(FtpTimeouts, ListingAllowanceGrowsWithTheData)
{
    FtpTimeouts t = TimeoutsFromSettings(nullptr, "5");
    EXPECT_EQ(ListingAllowanceMs(t, 0), 5000u);
    EXPECT_EQ(ListingAllowanceMs(t, 16 * 1024), 7500u);
    EXPECT_EQ(ListingAllowanceMs(t, 64 * 1024), 15000u);
    // The largest listing taken, with the longest wait, does not overflow.
    t = TimeoutsFromSettings(nullptr, "3600");
    EXPECT_EQ(ListingAllowanceMs(t, 64u * 1024 * 1024), 3600000ull + 2048ull * 3600000ull);
}

}  // namespace
