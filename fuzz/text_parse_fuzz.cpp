// Number, word and colour parsing of texts from INI files, edit boxes and
// the command line.
#include <cctype>
#include <climits>
#include <cmath>

#include "fuzz_input.h"
#include "settings/setting_text.h"
#include "text/parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> f = Fields(data, size, 2);
    const char* a = f[0].c_str();
    const char* b = f[1].c_str();

    FUZZ_CHECK(std::isfinite(ParseFraction(a)));

    int first = -7, second = -7, third = -7;
    int filled = ScanThreeInts(a, first, second, third);
    FUZZ_CHECK(filled >= 0 && filled <= 3);
    if (filled < 3) FUZZ_CHECK(third == -7);
    if (filled < 2) FUZZ_CHECK(second == -7);
    if (filled < 1) FUZZ_CHECK(first == -7);

    ColorRecord color = {1, 2, 3};
    ScanColorText(a, color);
    FUZZ_CHECK(ColorValueOf(color) <= 0xFFFFFFu);
    ColorRecord contrast = ContrastColor(color);
    (void)ColorValueOf(contrast);

    bool equal = EqualsIgnoreAsciiCase(a, b);
    FUZZ_CHECK(equal == EqualsIgnoreAsciiCase(b, a));
    FUZZ_CHECK(EqualsIgnoreAsciiCase(a, a));
    FUZZ_CHECK(SettingNeedsWrite(a, b) == (a[0] != '\0' && !equal));
    if (equal) FUZZ_CHECK(f[0].size() == f[1].size());
    std::string upper = f[0];
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    bool ascii = true;
    for (char c : f[0]) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) FUZZ_CHECK(EqualsIgnoreAsciiCase(a, upper.c_str()));

    int mode = CommandLineMode(a);
    FUZZ_CHECK(mode >= 0 && mode <= 3);
    if (mode != 0) FUZZ_CHECK(f[0].size() == 6 || f[0].size() == 7);

    std::string quoted = QuoteIfBlank(f[0]);
    bool blank = f[0].find_first_of(" \t") != std::string::npos;
    FUZZ_CHECK(quoted == (blank ? "\"" + f[0] + "\"" : f[0]));
    return 0;
}
