#include "ftpclient/copy_cursor.h"

#include <cstring>

namespace {

// X black, o white, anything else shows what lies below. The hot spot is
// the arrow's tip (0, 0).
constexpr int kSize = 32;
constexpr const char* kPicture[] = {
    "X",
    "XX",
    "XoX",
    "XooX",
    "XoooX",
    "XooooX",
    "XoooooX",
    "XooooooX",
    "XoooooooX",
    "XooooooooX",
    "XoooooooooX",
    "XooooooXXXXX",
    "XoooXooX",
    "XooX XooX",
    "XoX  XooX",
    "XX    XooX",
    "X     XooX  XXXXXXXXXXX",
    "       XooX XoooooooooX",
    "       XXX  XooooXooooX",
    "            XooooXooooX",
    "            XooXXXXXooX",
    "            XooooXooooX",
    "            XooooXooooX",
    "            XoooooooooX",
    "            XXXXXXXXXXX",
};

}  // namespace

HCURSOR CreateCopyCursor(HINSTANCE instance)
{
    // One bit a pixel, rows of four bytes. AND 1 and XOR 0: see-through;
    // AND 0 and XOR 0: black; AND 0 and XOR 1: white.
    unsigned char and_mask[kSize * kSize / 8];
    unsigned char xor_mask[kSize * kSize / 8];
    std::memset(and_mask, 0xFF, sizeof and_mask);
    std::memset(xor_mask, 0, sizeof xor_mask);
    int row = 0;
    for (const char* line : kPicture) {
        for (int column = 0; line[column] != '\0' && column < kSize; ++column) {
            char pixel = line[column];
            if (pixel != 'X' && pixel != 'o') continue;
            int byte = row * kSize / 8 + column / 8;
            unsigned char bit = static_cast<unsigned char>(0x80 >> (column % 8));
            and_mask[byte] = static_cast<unsigned char>(and_mask[byte] & ~bit);
            if (pixel == 'o') xor_mask[byte] = static_cast<unsigned char>(xor_mask[byte] | bit);
        }
        ++row;
    }
    return CreateCursor(instance, 0, 0, kSize, kSize, and_mask, xor_mask);
}
