#include "settings/ini_encoding.h"

#include <cstddef>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF); a sequence cut off at the end of the head counts
// as well-formed, since the head may end inside a character. Counts the
// multi-byte characters and those of three bytes or more.
bool IsUtf8(std::string_view text, std::size_t& multi_byte, std::size_t& long_characters)
{
    multi_byte = long_characters = 0;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4                ? 4
                                                                            : 0;
        if (length == 0) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= text.size()) return true;
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(next)) return false;
            // The second byte's range rules out overlong forms and surrogates.
            if (k == 1 && ((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next > 0x9F) ||
                           (lead == 0xF0 && next < 0x90) || (lead == 0xF4 && next > 0x8F)))
                return false;
        }
        if (length > 1) ++multi_byte;
        if (length > 2) ++long_characters;
        i += length;
    }
    return true;
}

// Whether `text` reads as Shift-JIS (code page 932): single bytes, half-width
// kana A1-DF, and lead bytes 81-9F and E0-FC each followed by a trail byte
// 40-7E or 80-FC. A lead byte at the very end may be cut off by the head.
bool IsShiftJis(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        if (!lead) {
            if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) return false;
            continue;
        }
        if (++i == text.size()) return true;
        unsigned char trail = static_cast<unsigned char>(text[i]);
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    }
    return true;
}

}  // namespace

IniEncoding SniffIniEncoding(std::string_view head)
{
    if (head.substr(0, kByteOrderMark.size()) == kByteOrderMark) return IniEncoding::kByteOrderMark;
    std::size_t multi_byte = 0;
    std::size_t long_characters = 0;
    if (!IsUtf8(head, multi_byte, long_characters) || multi_byte == 0) return IniEncoding::kAnsi;
    return long_characters > 0 || !IsShiftJis(head) ? IniEncoding::kUtf8 : IniEncoding::kAnsi;
}
