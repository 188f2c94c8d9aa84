#include "transfer/content_compare.h"

#include <algorithm>
#include <utility>

ContentCompare::ContentCompare(LocalReader reader, std::size_t buffer_size)
    : reader_(std::move(reader)), buffer_(std::max<std::size_t>(buffer_size, 1))
{
}

bool ContentCompare::Refill()
{
    if (position_ < length_) return true;
    if (local_ended_) return false;
    long long read = reader_(buffer_.data(), buffer_.size());
    position_ = 0;
    length_ = 0;
    if (read < 0) {
        verdict_ = Verdict::kLocalUnreadable;
        return false;
    }
    if (read == 0) {
        local_ended_ = true;
        return false;
    }
    length_ = std::min(static_cast<std::size_t>(read), buffer_.size());
    return true;
}

bool ContentCompare::Feed(const char* data, std::size_t size)
{
    if (verdict_ != Verdict::kUndecided) return false;
    while (size > 0) {
        if (!Refill()) {
            if (verdict_ == Verdict::kUndecided) verdict_ = Verdict::kRemoteLonger;
            return false;
        }
        std::size_t step = std::min(size, length_ - position_);
        const char* local = buffer_.data() + position_;
        auto [local_end, remote_end] = std::mismatch(local, local + step, data);
        std::size_t same = static_cast<std::size_t>(local_end - local);
        offset_ += same;
        if (same < step) {
            verdict_ = Verdict::kDiffers;
            return false;
        }
        position_ += step;
        data += step;
        size -= step;
    }
    return true;
}

ContentCompare::Verdict ContentCompare::Finish()
{
    if (verdict_ == Verdict::kUndecided) {
        if (Refill()) {
            verdict_ = Verdict::kRemoteShorter;
        } else if (verdict_ == Verdict::kUndecided) {
            verdict_ = Verdict::kSame;
        }
    }
    return verdict_;
}
