// The native test build's conversions: iconv's CP932 in place of Windows'
// code page 932. They agree on Shift-JIS with the NEC and IBM extensions;
// they differ on a few bytes and characters the tests leave alone (0x80,
// and U+00A5 and U+301C, which iconv writes and Windows refuses without
// best fit).
#include "text/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cstddef>

namespace {

void Wipe(std::string& text)
{
    volatile char* bytes = text.data();
    for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = 0;
}

bool Convert(const char* from, const char* to, std::string_view text, std::string& out)
{
    out.clear();
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    // A Shift-JIS character takes at most 3 bytes in UTF-8, and the other
    // way at most as many bytes as it had: one allocation, no copy given up.
    out.assign(text.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* next = out.data();
    std::size_t out_left = out.size();
    bool whole = iconv(converter, &in, &in_left, &next, &out_left) != static_cast<std::size_t>(-1) &&
                 iconv(converter, nullptr, nullptr, &next, &out_left) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!whole || in_left != 0) {
        Wipe(out);
        out.clear();
        return false;
    }
    std::size_t written = out.size() - out_left;
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(written), out.end(), '\0');
    out.resize(written);
    return true;
}

}  // namespace

bool AnsiToUtf8(std::string_view ansi, std::string& utf8) { return Convert("CP932", "UTF-8", ansi, utf8); }

bool Utf8ToAnsi(std::string_view utf8, std::string& ansi) { return Convert("UTF-8", "CP932", utf8, ansi); }
