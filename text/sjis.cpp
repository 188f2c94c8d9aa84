#include "text/sjis.h"

#include <cstring>

#include "text/lead_byte.h"

std::size_t CharBytes(std::string_view text, std::size_t pos)
{
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::size_t WholeCharPrefix(const char* text, std::size_t max_bytes)
{
    // Only the bytes that can be kept, and the one after them that may
    // complete a character, are looked at.
    std::string_view scanned(text, strnlen(text, max_bytes + 1));
    std::size_t i = 0;
    while (i < scanned.size()) {
        std::size_t width = CharBytes(scanned, i);
        // A lead byte at the very end lost its partner in a cut: it is half
        // a character, and nothing of it is kept.
        if (width == 1 && IsLeadByte(static_cast<unsigned char>(scanned[i]))) break;
        if (i + width > max_bytes) break;
        i += width;
    }
    return i;
}

void CutToWholeChars(char* text, std::size_t max_bytes)
{
    // The bytes beyond max_bytes may be garbage or unterminated: look no further.
    text[max_bytes] = '\0';
    text[WholeCharPrefix(text, max_bytes)] = '\0';
}

std::size_t CopyWholeChars(char* dst, std::size_t dst_size, const char* src)
{
    if (dst_size == 0) return 0;
    std::size_t n = WholeCharPrefix(src, dst_size - 1);
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return n;
}

bool EndsWithSeparator(std::string_view path)
{
    bool separator = false;
    for (std::size_t i = 0; i < path.size(); i += CharBytes(path, i)) {
        separator = CharBytes(path, i) == 1 && (path[i] == '\\' || path[i] == '/');
    }
    return separator;
}

namespace {

std::string Part(const char* begin, std::size_t length, std::size_t limit)
{
    std::string whole(begin, length);
    return whole.substr(0, WholeCharPrefix(whole.c_str(), limit));
}

}  // namespace

PathParts SplitPath(const char* path, std::size_t part_limit)
{
    PathParts parts;
    const char* p = path;
    if (p[0] != '\0' && p[1] == ':' && !IsLeadByte(static_cast<unsigned char>(p[0]))) {
        parts.drive.assign(p, 2);
        p += 2;
    }

    const char* last_separator = nullptr;
    const char* last_dot = nullptr;
    std::string_view rest(p);
    for (std::size_t i = 0, width = 0; i < rest.size(); i += width) {
        width = CharBytes(rest, i);
        if (width == 2) continue;
        if (rest[i] == '\\' || rest[i] == '/') {
            last_separator = p + i;
            last_dot = nullptr;
        } else if (rest[i] == '.') {
            last_dot = p + i;
        }
    }

    const char* name = p;
    if (last_separator != nullptr) {
        parts.directory = Part(p, static_cast<std::size_t>(last_separator + 1 - p), part_limit);
        name = last_separator + 1;
    }
    const char* end = name + std::strlen(name);
    const char* base_end = last_dot != nullptr ? last_dot : end;
    parts.base_name = Part(name, static_cast<std::size_t>(base_end - name), part_limit);
    parts.extension = Part(base_end, static_cast<std::size_t>(end - base_end), part_limit);
    return parts;
}
