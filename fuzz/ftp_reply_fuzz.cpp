// What a server says: control-connection bytes cut into lines and replies,
// and the replies and listings whose content the session uses.
#include "fuzz_input.h"
#include "ftp/reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);

    // Fed in two pieces, as two receives would deliver them.
    LineSplitter splitter;
    std::size_t half = size / 2;
    splitter.Feed(bytes.data(), half);
    splitter.Feed(bytes.data() + half, size - half);
    ReplyAssembler reply;
    std::string line;
    std::size_t taken = 0;
    while (splitter.NextLine(line)) {
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        taken += line.size();
        int code = ReplyCode(line);
        FUZZ_CHECK(code == 0 || (code >= 100 && code <= 999));
        if (reply.Add(line)) {
            // A first line without a code comes back as a reply of code 0.
            FUZZ_CHECK((reply.code() == 0 || reply.code() >= 100) && reply.code() <= 999 && !reply.lines().empty());
            reply.Reset();
        }

        HostPort where;
        if (ParsePassiveReply(line, where)) {
            HostPort again;
            FUZZ_CHECK(ParsePassiveReply("227 (" + PortArgument(where) + ")", again));
            FUZZ_CHECK(std::equal(where.address, where.address + 4, again.address) && where.port == again.port);
        }
        std::string directory;
        if (ParseDirectoryReply(line, directory)) FUZZ_CHECK(directory.size() <= line.size());
        ListEntry entry;
        if (ParseListLine(line, entry)) FUZZ_CHECK(entry.name.size() <= line.size());
        std::uint64_t size = 0;
        if (ParseSizeReply(line, size)) {
            std::uint64_t again = 0;
            FUZZ_CHECK(ParseSizeReply("213 " + std::to_string(size), again) && again == size);
        }
        std::string host;
        std::uint16_t port = 0;
        if (SplitHostPort(line, host, port)) FUZZ_CHECK(port != 0);
    }
    FUZZ_CHECK(taken <= size);

    for (const std::string& name : SplitNameList(bytes)) {
        FUZZ_CHECK(!name.empty() && name.find('\n') == std::string::npos);
    }
    return 0;
}
