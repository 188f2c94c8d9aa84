// What the FTP client's output says about a run, and which encoding its
// control file gets.
#include <gtest/gtest.h>

#include <string>

#include "text/script_encoding.h"
#include "transfer/client_transcript.h"

namespace {

// The Windows 10 client's way of printing, as far as described: each reply
// as it arrives, its prompts, "ftp> " with each command of the script.
const std::string kConnected = "Connected to 10.0.0.5.\r\n220 NC data server\r\n";
const std::string kLoggedIn = kConnected + "200 OPTS UTF8 ON.\r\nUser (10.0.0.5:(none)): \r\n331 Password required.\r\n"
                                           "Password:\r\n230 Logged in.\r\n";
const std::string kPutStart = kLoggedIn + "ftp> binary\r\n200 Type set to I.\r\nftp> cd NC\r\n250 CWD ok.\r\n"
                                          "ftp> put D:\\O1.NC O1\r\n";

TEST(ClientTranscript, TheFirstLineThatTellsOfAFailureAndWhatItMeans)
{
    struct Case {
        const char* what;
        std::string output;
        ClientFault fault;
        const char* line;
    } cases[] = {
        {"a good put", kPutStart + "200 PORT ok.\r\n150 Opening.\r\n226 Done.\r\nftp: 5000 bytes sent in 0.01Seconds "
                                   "500.00Kbytes/sec.\r\nftp> quit\r\n221 Bye.\r\n",
         ClientFault::kNone, ""},
        {"OPTS refused, then a good login", kConnected + "500 OPTS not understood.\r\nUser (10.0.0.5:(none)): \r\n"
                                                         "331 Password required.\r\nPassword:\r\n230 Logged in.\r\n",
         ClientFault::kNone, ""},
        {"a 120 greeting, then OPTS refused", "Connected to h.\r\n120 Wait.\r\n220 Ready.\r\n501 No.\r\nUser (h:(none)): \r\n",
         ClientFault::kNone, ""},
        {"a multi-line welcome", kConnected + "200 OPTS UTF8 ON.\r\nUser (10.0.0.5:(none)): \r\n331 Password.\r\n"
                                              "Password:\r\n230-Welcome\r\n230-550 files here\r\n230 Logged in.\r\n",
         ClientFault::kNone, ""},
        {"a greeting refusal", "Connected to h.\r\n421 Too many users.\r\n", ClientFault::kGreeting,
         "421 Too many users."},
        {"a refused password", kConnected + "200 OPTS UTF8 ON.\r\nUser (10.0.0.5:(none)): \r\n331 Password required.\r\n"
                                            "Password:\r\n530 Login incorrect.\r\nLogin failed.\r\nftp> binary\r\n"
                                            "530 Please login with USER and PASS.\r\n",
         ClientFault::kLogin, "530 Login incorrect."},
        {"the reply on the prompt's line", "Connected to h.\r\n220 Hi\r\nUser (h:(none)): 331 Password required.\r\n"
                                           "Password: 530 Login incorrect.\r\n",
         ClientFault::kLogin, "530 Login incorrect."},
        {"a missing folder", kLoggedIn + "ftp> cd NOSUCH\r\n550 No such directory.\r\nftp> put a\r\n200 PORT ok.\r\n",
         ClientFault::kFolder, "550 No such directory."},
        {"a refused PORT", kPutStart + "501 PORT not allowed.\r\n", ClientFault::kDataConnection,
         "501 PORT not allowed."},
        {"no data connection", kPutStart + "200 PORT ok.\r\n425 Can't open data connection.\r\n",
         ClientFault::kDataConnection, "425 Can't open data connection."},
        {"a cut data connection", kPutStart + "200 PORT ok.\r\n150 Opening.\r\n426 Connection closed.\r\n",
         ClientFault::kDataConnection, "426 Connection closed."},
        {"a refused STOR", kPutStart + "200 PORT ok.\r\n552 Exceeded storage allocation.\r\n", ClientFault::kStore,
         "552 Exceeded storage allocation."},
        {"a data connection cut by the client's side", kPutStart + "200 PORT ok.\r\n150 Opening.\r\n"
                                                                   "ftp: データ転送中に接続が切れました。\r\n",
         ClientFault::kDataConnection, "ftp: データ転送中に接続が切れました。"},
        {"the client's own error", kLoggedIn + "ftp> binary\r\nftp: 接続されていません。\r\n", ClientFault::kClientError,
         "ftp: 接続されていません。"},
        {"a local file it cannot open", kPutStart + "D:\\O1.NC: File not found\r\n", ClientFault::kLocalFile,
         "D:\\O1.NC: File not found"},
        {"a refused TYPE", kLoggedIn + "ftp> binary\r\n504 No.\r\n", ClientFault::kRefused, "504 No."},
        {"server down", "> ftp: connect :Connection refused\r\nftp> mc1\r\nInvalid command.\r\n", ClientFault::kConnect,
         "> ftp: connect :Connection refused"},
        {"an unknown name", "Unknown host mc1.example.\r\nftp> mc1\r\nInvalid command.\r\n", ClientFault::kUnknownHost,
         "Unknown host mc1.example."},
        {"a hang-up after OPTS", "Connected to h.\r\n220 Hi\r\nConnection closed by remote host.\r\nftp> binary\r\n"
                                 "Not connected.\r\n",
         ClientFault::kClosed, "Connection closed by remote host."},
        {"only Not connected.", "ftp> put a\r\nNot connected.\r\n", ClientFault::kNotConnected, "Not connected."},
        {"a command echo is no reply", kLoggedIn + "ftp> cd 550\r\n250 ok.\r\n", ClientFault::kNone, ""},
        {"an unfinished last line", "Connected to h.\r\n530 Not now", ClientFault::kGreeting, "530 Not now"},
    };
    for (const Case& c : cases) {
        ClientTranscript transcript = ReadClientTranscript(c.output, "pw");
        EXPECT_EQ(transcript.fault, c.fault) << c.what;
        EXPECT_EQ(transcript.failure_line, c.line) << c.what;
        EXPECT_EQ(*ClientFaultMeaning(transcript.fault) != '\0', c.fault != ClientFault::kNone) << c.what;
    }
}

TEST(ClientTranscript, ThePasswordIsMaskedWhereverItAppears)
{
    struct Case {
        const char* what;
        std::string output;
        std::string password;
        std::vector<std::string> lines;
    } cases[] = {
        {"read as a command after a failed open", "> ftp: connect :refused\r\nftp> s3cret\r\nInvalid command.\r\n",
         "s3cret", {"> ftp: connect :refused", "ftp> ********", "Invalid command."}},
        {"twice on a line, no line break at the end", "a s3crets3cret b", "s3cret", {"a **************** b"}},
        // 0x95 0x5C is one character (表): a password "\\" is not inside it.
        {"not inside a double-byte character", "\x95\x5C\\\n", "\\", {"\x95\x5C********"}},
        {"an empty password masks nothing", "ftp> quit\n\n221 Bye.\n", "", {"ftp> quit", "", "221 Bye."}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadClientTranscript(c.output, c.password).lines, c.lines) << c.what;
    }
    ClientTranscript failed = ReadClientTranscript("Connected to h.\r\n530 pw is wrong\r\n", "pw");
    EXPECT_EQ(failed.failure_line, "530 ******** is wrong");
}

TEST(ScriptEncodingForClient, TheClientsFileVersionDecidesAndTheSystemsOnlyWithoutOne)
{
    const VersionNumber windows7{6, 1}, windows8{6, 2}, windows10{10, 0}, vista{6, 0};
    struct Case {
        const char* what;
        const VersionNumber* client;
        VersionNumber system;
        ScriptEncoding expected;
    } cases[] = {
        {"Windows 10's client, the system reporting 6.1 (compatibility mode)", &windows10, windows7,
         ScriptEncoding::kUtf8},
        {"Windows 8's client", &windows8, windows8, ScriptEncoding::kUtf8},
        {"Windows 7's client on a system reporting 10.0", &windows7, windows10, ScriptEncoding::kAnsi},
        {"Vista's client", &vista, vista, ScriptEncoding::kAnsi},
        {"no file version, Windows 10", nullptr, windows10, ScriptEncoding::kUtf8},
        {"no file version, Windows 7", nullptr, windows7, ScriptEncoding::kAnsi},
        {"no file version, no system version", nullptr, VersionNumber{}, ScriptEncoding::kAnsi},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScriptEncodingForClient(c.client, c.system), c.expected) << c.what;
    }
}

}  // namespace
