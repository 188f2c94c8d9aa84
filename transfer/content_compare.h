#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Compares a file that arrives in pieces of any size (read back from a data
// server) with the local file, which is read through one buffer of fixed
// size: neither file is ever held whole. The comparison stops at the first
// difference.
class ContentCompare {
public:
    // Reads up to `capacity` bytes of the local file into `into`: the count
    // read, 0 at the end of the file, -1 when it cannot be read.
    using LocalReader = std::function<long long(char* into, std::size_t capacity)>;

    enum class Verdict {
        kUndecided,        // still comparing
        kSame,
        kDiffers,          // a byte differs, at offset()
        kRemoteShorter,    // the remote file ended after offset() bytes, all the same
        kRemoteLonger,     // the remote file goes on past the local file's end, at offset()
        kLocalUnreadable,  // the local file could not be read on from offset()
    };

    explicit ContentCompare(LocalReader reader, std::size_t buffer_size = 64 * 1024);

    // The next piece of the remote file. False once the verdict is known
    // (a difference, a remote file longer than the local one, a local file
    // that cannot be read): the rest need not come.
    bool Feed(const char* data, std::size_t size);
    // The remote file has ended (or was stopped after Feed said false): the verdict.
    Verdict Finish();
    Verdict verdict() const { return verdict_; }
    // The bytes found the same so far: the offset of the first differing
    // byte, counted from 0, once the verdict is kDiffers.
    std::uint64_t offset() const { return offset_; }

private:
    // Makes local bytes available; false at the local file's end or on a read error.
    bool Refill();

    LocalReader reader_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    bool local_ended_ = false;
    std::uint64_t offset_ = 0;
    Verdict verdict_ = Verdict::kUndecided;
};
