#include "ftp/timeouts.h"

#include <cstdlib>

#include "text/ascii.h"

namespace {

constexpr unsigned long kLongestSeconds = 3600;

// Whole seconds 1..kLongestSeconds as milliseconds into `ms`; anything else leaves it.
void ApplySeconds(const char* text, unsigned long& ms)
{
    if (text == nullptr || *text == '\0') return;
    unsigned long seconds = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!IsDigit(*p)) return;
        seconds = seconds * 10 + static_cast<unsigned long>(*p - '0');
        if (seconds > kLongestSeconds) return;
    }
    if (seconds == 0) return;
    ms = seconds * 1000;
}

}  // namespace

FtpTimeouts TimeoutsFromSettings(const char* connect_seconds, const char* seconds)
{
    FtpTimeouts timeouts;
    ApplySeconds(connect_seconds, timeouts.connect_ms);
    ApplySeconds(seconds, timeouts.reply_ms);
    ApplySeconds(seconds, timeouts.data_idle_ms);
    return timeouts;
}

FtpTimeouts TimeoutsFromEnvironment()
{
    return TimeoutsFromSettings(std::getenv("VANTREL_FTP_CONNECT_TIMEOUT"), std::getenv("VANTREL_FTP_TIMEOUT"));
}
