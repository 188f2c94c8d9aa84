// The Shift-JIS aware path split and prefix helpers on arbitrary bytes.
#include <cstring>

#include "fuzz_input.h"
#include "text/lead_byte.h"
#include "text/sjis.h"

namespace {

// No separator as a character of its own (a trail byte 0x5C is no separator).
bool HasSeparatorChar(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (text[i] == '\\' || text[i] == '/') return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    std::size_t limit = data[0];  // 0..255, the program uses 255
    std::string path = Fields(data + 1, size - 1, 1)[0];

    std::size_t prefix = WholeCharPrefix(path.c_str(), limit);
    FUZZ_CHECK(prefix <= limit && prefix <= path.size());
    FUZZ_CHECK(WholeCharPrefix(path.c_str(), prefix) == prefix);

    std::vector<char> buffer(path.begin(), path.end());
    buffer.resize(path.size() + limit + 1, 'x');
    buffer[path.size()] = '\0';
    CutToWholeChars(buffer.data(), limit);
    FUZZ_CHECK(std::strlen(buffer.data()) == prefix);

    char copy[16];
    std::size_t copied = CopyWholeChars(copy, sizeof copy, path.c_str());
    FUZZ_CHECK(copied <= 15 && std::strlen(copy) == copied && path.compare(0, copied, copy) == 0);

    PathParts parts = SplitPath(path.c_str(), limit);
    FUZZ_CHECK(parts.drive.size() <= 2);
    FUZZ_CHECK(parts.directory.size() <= limit && parts.base_name.size() <= limit && parts.extension.size() <= limit);
    FUZZ_CHECK(!HasSeparatorChar(parts.base_name) && !HasSeparatorChar(parts.extension));
    FUZZ_CHECK(parts.extension.empty() || parts.extension[0] == '.');
    // A lead byte at the very end is half a character and is dropped.
    if (path.size() <= limit && WholeCharPrefix(path.c_str(), path.size()) == path.size()) {
        FUZZ_CHECK(parts.drive + parts.directory + parts.base_name + parts.extension == path);
    }
    return 0;
}
