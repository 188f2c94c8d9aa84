// A posted message: formatted into the 1024-byte message buffer, then cut
// into list lines at each line feed.
#include "fuzz_input.h"
#include "log/message_lines.h"
#include "text/fixed_text.h"
#include "text/sjis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text = Fields(data, size, 1)[0];
    FixedText<1024> message;
    message.Format("%s", text.c_str());
    std::string kept = message.c_str();
    FUZZ_CHECK(kept.size() <= 1023);
    FUZZ_CHECK(kept == text.substr(0, WholeCharPrefix(text.c_str(), 1023)));

    std::vector<std::string> lines = SplitMessageLines(message.c_str());
    FUZZ_CHECK(lines.size() == CountOf(kept, '\n') + 1);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].find('\n') == std::string::npos);
        if (i > 0) joined += '\n';
        joined += lines[i];
    }
    FUZZ_CHECK(joined == kept);
    return 0;
}
