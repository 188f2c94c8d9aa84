// FixedText<N>: every way of filling it, with arbitrary bytes, at the sizes
// the program uses and at the smallest ones.
#include <cstring>

#include "fuzz_input.h"
#include "text/fixed_text.h"

namespace {

bool EndsWhole(const char* text)
{
    std::size_t length = std::strlen(text);
    return WholeCharPrefix(text, length) == length;
}

std::string Expected(const std::string& text, std::size_t n)
{
    return text.substr(0, WholeCharPrefix(text.c_str(), n - 1));
}

template <std::size_t N>
void Exercise(const std::string& a, const std::string& b, const std::uint8_t* raw, std::size_t raw_size)
{
    FixedText<N> t;
    t.Assign(a.c_str());
    FUZZ_CHECK(t.c_str() == Expected(a, N));
    FUZZ_CHECK(EndsWhole(t.c_str()));

    std::string before = t.c_str();
    t.Append(b.c_str());
    FUZZ_CHECK(t.size() <= N - 1);
    FUZZ_CHECK(std::string(t.c_str()).compare(0, before.size(), before) == 0);
    FUZZ_CHECK(EndsWhole(t.c_str()));

    std::string full = a + "|" + b;
    std::size_t kept = t.Format("%s|%s", a.c_str(), b.c_str());
    FUZZ_CHECK(kept == t.size());
    FUZZ_CHECK(t.c_str() == Expected(full, N));
    FUZZ_CHECK(EndsWhole(t.c_str()));

    bool whole = t.FormatWhole("%s", a.c_str());
    FUZZ_CHECK(whole == (a.size() < N));
    FUZZ_CHECK(whole ? t.c_str() == a : t.empty());

    // An API that wrote all N bytes, terminator or not.
    std::memcpy(t.data(), raw, raw_size < N ? raw_size : N);
    t.Repair();
    FUZZ_CHECK(t.size() <= N - 1);
    FUZZ_CHECK(EndsWhole(t.c_str()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> f = Fields(data, size, 2);
    Exercise<2>(f[0], f[1], data, size);
    Exercise<3>(f[0], f[1], data, size);
    Exercise<4>(f[0], f[1], data, size);
    Exercise<16>(f[0], f[1], data, size);
    Exercise<24>(f[0], f[1], data, size);
    Exercise<32>(f[0], f[1], data, size);
    Exercise<260>(f[0], f[1], data, size);
    Exercise<520>(f[0], f[1], data, size);
    Exercise<1024>(f[0], f[1], data, size);
    return 0;
}
