#include "text/parse.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "text/lead_byte.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads one "%d" field at text; returns the position after it, or nullptr.
const char* ScanInt(const char* text, int& value)
{
    const char* p = text;
    while (IsBlank(*p)) ++p;
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
    while (IsBlank(*p)) ++p;
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

bool EqualsIgnoreAsciiCase(const char* a, const char* b)
{
    // A trail byte can lie in 'A'..'Z' (ア is 83 41): fold single-byte
    // characters only, so two different Japanese names never compare equal.
    while (*a != '\0' && *b != '\0') {
        if (IsLeadByte(static_cast<unsigned char>(*a)) && a[1] != '\0') {
            if (a[0] != b[0] || a[1] != b[1]) return false;
            a += 2;
            b += 2;
            continue;
        }
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
        ++a;
        ++b;
    }
    return *a == *b;
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
