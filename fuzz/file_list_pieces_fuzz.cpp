// The data server's file list read back from the intermediate file.
#include <cstdio>

#include "fuzz_input.h"
#include "transfer/file_list_pieces.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    std::vector<char> bytes(data, data + size);
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "r");
    if (file == nullptr) return 0;
    std::vector<std::string> pieces = ReadFileListPieces(file);
    std::fclose(file);

    std::string joined;
    for (const std::string& piece : pieces) {
        FUZZ_CHECK(piece.size() <= 31);
        std::size_t feed = piece.find('\n');
        FUZZ_CHECK(feed == std::string::npos || feed + 1 == piece.size());
        joined += piece;
    }
    // A zero byte ends a piece's text early; without one nothing is lost.
    std::string input(bytes.begin(), bytes.end());
    if (input.find('\0') == std::string::npos) FUZZ_CHECK(joined == input);
    return 0;
}
