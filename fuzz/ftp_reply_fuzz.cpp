// What a server says: control-connection bytes cut into lines and replies,
// and the replies and listings whose content the session uses.
#include <cstring>

#include "fuzz_input.h"
#include "ftp/local_name.h"
#include "ftp/reply.h"
#include "text/lead_byte.h"
#include "text/sjis.h"

namespace {

// A listed name taken as a local file name: whole characters only (Windows
// drops a lead byte left at the end when it converts the name), no
// separator, drive colon or control character among the single bytes.
void CheckSafeName(const std::string& name)
{
    // Any name made safe is safe, and a safe one without the characters
    // Windows refuses in names comes back as it was.
    std::string safe = MakeSafeLocalName(name);
    FUZZ_CHECK(IsSafeLocalName(safe));
    if (IsSafeLocalName(name) && name.find_first_of("*?\"<>|") == std::string::npos) FUZZ_CHECK(safe == name);
    if (!IsSafeLocalName(name)) return;
    FUZZ_CHECK(!name.empty() && name != "." && name != "..");
    for (std::size_t i = 0, width = 0; i < name.size(); i += width) {
        width = CharBytes(name, i);
        unsigned char byte = static_cast<unsigned char>(name[i]);
        if (width == 2) continue;
        FUZZ_CHECK(!IsLeadByte(byte));
        FUZZ_CHECK(byte >= 0x20 && byte != 0x7F && std::strchr("\\/:", byte) == nullptr);
    }
}

}  // namespace

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
        bool complete = reply.Add(line);
        // A reply past its limits is given up by the session; so here.
        if (!complete && reply.TooLong()) reply.Reset();
        if (complete) {
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
        CheckSafeName(line);
        if (ParseListLine(line, entry)) CheckSafeName(entry.name);
    }
    FUZZ_CHECK(taken <= size);

    for (const std::string& name : SplitNameList(bytes)) {
        FUZZ_CHECK(!name.empty() && name.find('\n') == std::string::npos);
    }
    return 0;
}
