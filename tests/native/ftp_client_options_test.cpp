#include <gtest/gtest.h>

#include <string>

#include "ftp/client_options.h"

namespace {

struct Parsed {
    bool ok;
    ClientOptions options;
    OptionError error;
};

Parsed Parse(const std::string& line)
{
    Parsed parsed{};
    parsed.ok = ParseClientOptions(line, parsed.options, parsed.error);
    return parsed;
}

TEST(FtpClientOptions, TheTwoFormsTheMainProgramWrites)
{
    Parsed p = Parse("--host 127.0.0.5 --user mc1 --password pw --encoding sjis --remote-dir NC "
                     "--local-dir C:\\Program Files\\Vantrel\\");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.host, "127.0.0.5");
    EXPECT_EQ(p.options.user, "mc1");
    EXPECT_EQ(p.options.password, "pw");
    EXPECT_EQ(p.options.encoding, WireEncoding::kShiftJis);
    EXPECT_TRUE(p.options.has_remote_dir);
    EXPECT_EQ(p.options.remote_dir, "NC");
    EXPECT_EQ(p.options.local_dir, "C:\\Program Files\\Vantrel\\");

    p = Parse("--host mc --user u --password p --encoding sjis --local-dir D:\\NC\\");
    ASSERT_TRUE(p.ok);
    EXPECT_FALSE(p.options.has_remote_dir);
    EXPECT_EQ(p.options.local_dir, "D:\\NC\\");
    EXPECT_FALSE(p.options.offer_utf8);
}

TEST(FtpClientOptions, EncodingsAndTheOfferOfUtf8)
{
    struct Case {
        const char* word;
        WireEncoding encoding;  // until the server has answered OPTS UTF8 ON
        bool offer_utf8;
    };
    const Case cases[] = {
        {"sjis", WireEncoding::kShiftJis, false},
        {"CP932", WireEncoding::kShiftJis, false},
        {"utf8", WireEncoding::kUtf8, false},
        {"auto", WireEncoding::kShiftJis, true},
        {"AUTO", WireEncoding::kShiftJis, true},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(std::string("--host mc --user u --password p --encoding ") + c.word + " --local-dir D:\\");
        ASSERT_TRUE(p.ok) << c.word;
        EXPECT_EQ(p.options.encoding, c.encoding) << c.word;
        EXPECT_EQ(p.options.offer_utf8, c.offer_utf8) << c.word;
    }
    EXPECT_FALSE(Parse("--host mc --user u --password p --encoding automatic --local-dir D:\\").ok);
}

TEST(FtpClientOptions, ValuesRunToTheNextKnownOption)
{
    // Blanks and a "--" that starts no known option belong to the value.
    Parsed p = Parse("--host mc --user u --password a b --c --encoding SJIS --remote-dir \x83\x66\x81\x5B\x83\x5E dir "
                     "--local-dir C:\\x --user y\\ \r\n");
    ASSERT_TRUE(p.ok) << p.error.subject;
    EXPECT_EQ(p.options.password, "a b --c");
    EXPECT_EQ(p.options.remote_dir, "\x83\x66\x81\x5B\x83\x5E dir");
    // The local folder is the rest of the line, whatever it holds.
    EXPECT_EQ(p.options.local_dir, "C:\\x --user y\\");

    p = Parse("--host mc --user u --password  --encoding utf-8 --local-dir \"C:\\a b\\\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.password, "");
    EXPECT_EQ(p.options.encoding, WireEncoding::kUtf8);
    EXPECT_EQ(p.options.local_dir, "C:\\a b\\");

    // Quoted by the Windows rules, the backslash before the closing quote is
    // doubled; the trail byte 0x5C of 表 does not count as one.
    p = Parse("--host mc --user u --password p --encoding sjis --local-dir \"C:\\a b\\\\\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.local_dir, "C:\\a b\\");
    p = Parse("--host mc --user u --password p --encoding sjis --local-dir \"C:\\\x95\x5C\\\\\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.local_dir, "C:\\\x95\x5C\\");
    p = Parse("--host mc --user u --password p --encoding sjis --local-dir \"C:\\\x95\x5C\"");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.local_dir, "C:\\\x95\x5C");
}

TEST(FtpClientOptions, ProblemsNameTheirOption)
{
    struct Case {
        const char* line;
        OptionProblem problem;
        const char* subject;
    };
    const Case cases[] = {
        // No machine loaded: the main program still starts the client, with empty values.
        {"--host  --user  --password  --encoding sjis --local-dir C:\\NC\\", OptionProblem::kEmptyValue, "host"},
        {"--host h --user --password p --encoding sjis --local-dir C:\\", OptionProblem::kEmptyValue, "user"},
        {"--host h --user u --password p --encoding sjis --local-dir ", OptionProblem::kEmptyValue, "local-dir"},
        {"--host h --user u --password p --encoding sjis", OptionProblem::kMissingOption, "local-dir"},
        {"--host h --user u --encoding sjis --local-dir C:\\", OptionProblem::kMissingOption, "password"},
        {"", OptionProblem::kMissingOption, "host"},
        {"--host h --user u --password p --encoding euc --local-dir C:\\", OptionProblem::kBadEncoding, "euc"},
        {"--port 21 --host h --user u", OptionProblem::kUnknownOption, "--port"},
        {"host h --user u", OptionProblem::kStrayText, "host"},
        {"--host h --host i --user u", OptionProblem::kRepeatedOption, "host"},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.line);
        EXPECT_FALSE(p.ok) << c.line;
        EXPECT_EQ(p.error.problem, c.problem) << c.line;
        EXPECT_EQ(p.error.subject, c.subject) << c.line;
    }
}

}  // namespace
