#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Shift-JIS (ANSI code page) aware helpers. A trail byte may equal '\\', '/'
// or '.', so any scan for those must step over whole characters.

// The bytes of the character at text[pos]: 2 for a lead byte with a byte
// after it, else 1 (a lead byte cut off at the end counts as a byte of its
// own). The one step every scan of Shift-JIS text takes.
std::size_t CharBytes(std::string_view text, std::size_t pos);

// Length of the longest prefix of text that is at most max_bytes long and ends
// on a character boundary. Stops at the terminator; a lead byte right before
// the terminator is half a character and is not counted.
std::size_t WholeCharPrefix(const char* text, std::size_t max_bytes);

// Terminates text at WholeCharPrefix(text, max_bytes). text must have room
// for max_bytes + 1 bytes.
void CutToWholeChars(char* text, std::size_t max_bytes);

// The usual four-way split of a path, done on whole characters: drive (the
// first two bytes when the second is a colon), directory (up to and including
// the last '\\' or '/'), extension (from the last '.' of the rest) and base
// name between. Each part is cut to at most part_limit bytes (the drive to 2).
struct PathParts {
    std::string drive;
    std::string directory;
    std::string base_name;
    std::string extension;
};
PathParts SplitPath(const char* path, std::size_t part_limit = 255);

// Whether the last whole character of path is '\\' or '/': the trail byte
// of 表 (95 5C) ending a path is no separator.
bool EndsWithSeparator(std::string_view path);

// Copies src into dst (size dst_size) keeping whole characters; returns bytes copied.
std::size_t CopyWholeChars(char* dst, std::size_t dst_size, const char* src);
