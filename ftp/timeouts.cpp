#include "ftp/timeouts.h"

#include <cstdlib>
#include <string_view>

#include "text/ascii.h"

namespace {

constexpr unsigned long kLongestSeconds = 3600;

// Whole seconds 1..kLongestSeconds, blanks around them allowed, as
// milliseconds into `ms`. An unset or blank value leaves `ms` and is no
// refusal; any other value leaves it and says so in `refused`.
void ApplySeconds(const char* name, const char* text, unsigned long& ms, std::string* refused)
{
    if (text == nullptr) return;
    std::string_view value = text;
    while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    if (value.empty()) return;
    unsigned long seconds = 0;
    bool ok = true;
    for (char c : value) {
        if (!IsDigit(c) || seconds > kLongestSeconds) {
            ok = false;
            break;
        }
        seconds = seconds * 10 + static_cast<unsigned long>(c - '0');
    }
    if (ok && seconds >= 1 && seconds <= kLongestSeconds) {
        ms = seconds * 1000;
        return;
    }
    if (refused == nullptr) return;
    if (!refused->empty()) *refused += "\n";
    *refused += "環境変数 " + std::string(name) + " の値「" + std::string(text) +
                "」は使えません (1 から 3600 までの秒数)。既定の " + std::to_string(ms / 1000) + " 秒で待ちます。";
}

}  // namespace

std::uint64_t ListingAllowanceMs(const FtpTimeouts& timeouts, std::uint64_t received)
{
    // No overflow: a listing is cut at 64 MiB, and 2^26 x 3,600,000 < 2^48.
    return timeouts.reply_ms + received * timeouts.reply_ms / kListingStepBytes;
}

FtpTimeouts TimeoutsFromSettings(const char* connect_seconds, const char* seconds, std::string* refused)
{
    FtpTimeouts timeouts;
    if (refused != nullptr) refused->clear();
    ApplySeconds("VANTREL_FTP_CONNECT_TIMEOUT", connect_seconds, timeouts.connect_ms, refused);
    ApplySeconds("VANTREL_FTP_TIMEOUT", seconds, timeouts.reply_ms, refused);
    ApplySeconds("VANTREL_FTP_TIMEOUT", seconds, timeouts.data_idle_ms, nullptr);
    return timeouts;
}

FtpTimeouts TimeoutsFromEnvironment(std::string* refused)
{
    return TimeoutsFromSettings(std::getenv("VANTREL_FTP_CONNECT_TIMEOUT"), std::getenv("VANTREL_FTP_TIMEOUT"),
                                refused);
}

FtpTimeouts NoTimeLimits()
{
    FtpTimeouts timeouts;
    timeouts.connect_ms = kNoTimeLimit;
    timeouts.reply_ms = kNoTimeLimit;
    timeouts.data_idle_ms = kNoTimeLimit;
    return timeouts;
}
