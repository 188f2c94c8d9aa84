#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "text/sjis.h"

// A zero-terminated text in a fixed buffer of N bytes. Every way of filling
// it keeps at most N - 1 bytes and never leaves half of a double-byte
// character at the end, so nothing can write past the buffer and nothing
// shown or stored later carries a broken character.
template <std::size_t N>
class FixedText {
    static_assert(N >= 2, "a text buffer needs room for one byte and its terminator");

public:
    static constexpr std::size_t kSize = N;

    FixedText() { Clear(); }
    explicit FixedText(const char* text) { Assign(text); }

    char* data() { return buf_; }
    const char* c_str() const { return buf_; }
    std::size_t size() const { return std::strlen(buf_); }
    bool empty() const { return buf_[0] == '\0'; }

    // Fills all N bytes with zeros, as the program does with every buffer after use.
    void Clear() { std::memset(buf_, 0, N); }

    void Assign(const char* text)
    {
        Clear();
        Append(text);
    }

    void Append(const char* text)
    {
        if (text == nullptr) return;
        std::size_t used = size();
        std::size_t room = N - 1 - used;
        std::size_t take = WholeCharPrefix(text, room);
        std::memcpy(buf_ + used, text, take);
        buf_[used + take] = '\0';
    }

    // printf into the buffer; an over-long result is cut at a character boundary.
    // Returns the number of bytes kept.
    __attribute__((format(gnu_printf, 2, 3))) std::size_t Format(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        std::size_t kept = FormatV(format, args);
        va_end(args);
        return kept;
    }

    // For paths: a text that does not fit whole would name another file, so
    // the buffer is left empty and false returned instead of cutting it.
    __attribute__((format(gnu_printf, 2, 3))) bool FormatWhole(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        Clear();
        int wanted = std::vsnprintf(buf_, N, format, args);
        va_end(args);
        if (wanted < 0 || static_cast<std::size_t>(wanted) >= N) {
            Clear();
            return false;
        }
        return true;
    }

    std::size_t FormatV(const char* format, va_list args)
    {
        Clear();
        int wanted = std::vsnprintf(buf_, N, format, args);
        if (wanted < 0) {
            Clear();
            return 0;
        }
        // Also when it fits: an argument may itself end in half a character.
        CutToWholeChars(buf_, N - 1);
        return size();
    }

    // After the caller let an API write into data(): terminate and drop any half character.
    void Repair() { CutToWholeChars(buf_, N - 1); }

private:
    char buf_[N];
};
