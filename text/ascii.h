#pragma once

// Byte classes of the ASCII range. Every other byte, and so every byte of a
// double-byte character, is in none of them.

// A blank between words: space or tab.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// White space as the C library's number conversions skip it: the blanks,
// line feed, carriage return, vertical tab and form feed.
constexpr bool IsSpace(char c) { return IsBlank(c) || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A to Z to lower case; every other byte unchanged.
constexpr char FoldAsciiCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
