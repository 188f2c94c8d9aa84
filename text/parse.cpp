#include "text/parse.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "text/ascii.h"
#include "text/sjis.h"

namespace {

// Reads one "%d" field at text; returns the position after it, or nullptr.
const char* ScanInt(const char* text, int& value)
{
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (!IsDigit(*p)) return nullptr;
    long long magnitude = 0;
    for (; IsDigit(*p); ++p) {
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative) {
        value = magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-magnitude);
    } else {
        value = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    }
    return p;
}

}  // namespace

double ParseFraction(const char* text)
{
    const char* p = text;
    while (IsSpace(*p)) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    while (IsDigit(*p)) { ++p; digits = true; }
    if (*p == '.') {
        ++p;
        while (IsDigit(*p)) { ++p; digits = true; }
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (IsDigit(*e)) {
            while (IsDigit(*e)) ++e;
            p = e;
        }
    }
    // Only the matched prefix reaches strtod, so "inf", "nan" and hex never do.
    std::string number(start, static_cast<std::size_t>(p - start));
    double value = std::strtod(number.c_str(), nullptr);
    // An exponent beyond the range ("1e999") overflows to infinity: saturate.
    if (std::isinf(value)) value = std::copysign(DBL_MAX, value);
    return value;
}

int ScanThreeInts(const char* text, int& first, int& second, int& third)
{
    int* fields[3] = {&first, &second, &third};
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != ',') return i;
            ++p;
        }
        int value = 0;
        const char* next = ScanInt(p, value);
        if (next == nullptr) return i;
        *fields[i] = value;
        p = next;
    }
    return 3;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    // A trail byte can lie in 'A'..'Z' (ア is 83 41): fold single-byte
    // characters only, so two different Japanese names never compare equal.
    for (std::size_t i = 0; i < a.size();) {
        std::size_t width = CharBytes(a, i);
        if (width == 2) {
            if (a.compare(i, 2, b, i, 2) != 0) return false;
        } else if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) {
            return false;
        }
        i += width;
    }
    return true;
}

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

int CommandLineMode(const char* word)
{
    if (EqualsIgnoreAsciiCase(word, "system")) return 1;
    if (EqualsIgnoreAsciiCase(word, "proginf")) return 2;
    if (EqualsIgnoreAsciiCase(word, "version")) return 3;
    return 0;
}

std::string QuoteIfBlank(const std::string& value)
{
    if (value.find_first_of(" \t") == std::string::npos) return value;
    return "\"" + value + "\"";
}
