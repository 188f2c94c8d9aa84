#pragma once

#include <string>
#include <string_view>

// Number and word parsing for texts that come from INI files, edit boxes and
// the command line. None of these can fail: text that is not a number reads
// as the C library's conversions would read it, never as NaN or infinity.

// Decimal floating-point number at the start of text: blanks, optional sign,
// digits with an optional fraction, optional exponent. Anything else gives 0;
// a number beyond the range of double gives the largest one of its sign.
double ParseFraction(const char* text);

// "%d,%d,%d" as sscanf scans it: each field is optional blanks, an optional
// sign and digits; scanning stops at the first text that does not fit and the
// integers not reached keep their values. Returns how many were filled.
// Values beyond the range of int saturate.
int ScanThreeInts(const char* text, int& first, int& second, int& third);

// Equality that ignores the case of the ASCII letters A to Z only; the bytes
// of double-byte characters are compared exactly.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Whether text begins with prefix, compared as EqualsIgnoreAsciiCase does.
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);

// The command-line mode selected by a single word: 1 "system", 2 "proginf",
// 3 "version" in any ASCII case; 0 for any other word.
int CommandLineMode(const char* word);

// Text of a value quoted for the command-line FTP client when it holds a
// blank or tab, so that it stays one argument; otherwise unchanged.
std::string QuoteIfBlank(const std::string& value);
