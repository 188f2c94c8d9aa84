#include "transfer/file_list_pieces.h"

#include <cstring>

std::vector<std::string> ReadFileListPieces(std::FILE* file)
{
    std::vector<std::string> pieces;
    char line[32];
    std::memset(line, 0, sizeof line);
    // fgets with 32 bytes is exactly the piece rule: at most 31 bytes, and it
    // stops after a line feed, which it keeps.
    while (std::fgets(line, sizeof line, file) != nullptr) {
        pieces.emplace_back(line);
        std::memset(line, 0, sizeof line);
    }
    return pieces;
}
