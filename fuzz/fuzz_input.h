#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Helpers shared by the fuzz targets.

// An invariant that does not hold is a finding: report it and stop, so that
// libFuzzer saves the input.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

// The input cut at its zero bytes into at most `count` texts (the last one
// takes the rest, zero bytes dropped); missing ones are empty. Texts handed
// to the program's C-string functions can hold no zero byte anyway.
inline std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (fields.size() < count) fields.emplace_back();
            continue;
        }
        fields.back().push_back(static_cast<char>(data[i]));
    }
    fields.resize(count);
    return fields;
}

inline std::size_t CountOf(const std::string& text, char c)
{
    std::size_t n = 0;
    for (char x : text) n += x == c;
    return n;
}
