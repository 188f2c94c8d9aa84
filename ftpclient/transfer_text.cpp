#include "ftpclient/transfer_text.h"

#include <cmath>
#include <cstdio>

#include "ftpclient/file_rows.h"

namespace {

// One decimal below 100, whole figures above; MB where the KB would
// reach 1024.
std::string RateText(std::uint64_t bytes, std::uint64_t elapsed_ms)
{
    if (elapsed_ms == 0) return std::string();
    double rate = static_cast<double>(bytes) * 1000.0 / static_cast<double>(elapsed_ms) / 1024.0;
    const char* unit = "KB/s";
    if (rate >= 1023.5) {
        rate /= 1024.0;
        unit = "MB/s";
    }
    char text[64];
    if (rate < 99.95) {
        long long tenths = std::llround(rate * 10.0);
        std::snprintf(text, sizeof text, "%d.%d %s", static_cast<int>(tenths / 10), static_cast<int>(tenths % 10), unit);
    } else {
        std::snprintf(text, sizeof text, "%.0f %s", std::round(rate), unit);
    }
    return text;
}

// Rounded up: never "0:00" while bytes are left.
constexpr double kLongestShownSeconds = 100.0 * 3600.0 - 1.0;

std::string TimeLeftText(const TransferFigures& figures)
{
    if (!figures.total_known || figures.done > figures.total) return std::string();
    // Every byte has been handed over, and the server's word is awaited: on a
    // slow line the connection's buffers may still hold seconds of an upload.
    if (figures.done == figures.total) return "サーバーの応答を待っています";
    if (figures.done == 0 || figures.elapsed_ms == 0) return std::string();
    double remaining = static_cast<double>(figures.total - figures.done);
    double seconds = std::ceil(remaining * static_cast<double>(figures.elapsed_ms) /
                               (static_cast<double>(figures.done) * 1000.0));
    if (seconds > kLongestShownSeconds) return "残り 100 時間以上";
    auto whole = static_cast<unsigned>(seconds);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "残り %u:%02u:%02u", whole / 3600, whole / 60 % 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "残り %u:%02u", whole / 60, whole % 60);
    }
    return text;
}

void Append(std::string& line, const std::string& part)
{
    if (!part.empty()) line += "  " + part;
}

}  // namespace

std::string TransferProgressText(const TransferFigures& figures)
{
    std::string line = GroupedSize(figures.done);
    if (figures.total_known && figures.done <= figures.total) line += " / " + GroupedSize(figures.total);
    line += " バイト";
    if (figures.done > 0) Append(line, RateText(figures.done, figures.elapsed_ms));
    Append(line, TimeLeftText(figures));
    return line;
}

std::string TransferSummaryText(std::size_t files, std::uint64_t bytes, std::uint64_t elapsed_ms)
{
    std::string line = std::to_string(files) + " 件 " + GroupedSize(bytes) + " バイト";
    std::string rate = bytes > 0 ? RateText(bytes, elapsed_ms) : std::string();
    if (!rate.empty()) line += "  平均 " + rate;
    return line;
}

std::string BoxListText(const std::string& head, const std::vector<std::string>& lines)
{
    std::string text = head;
    for (std::size_t i = 0; i < lines.size() && i < kBoxListLines; ++i) text += (text.empty() ? "" : "\n") + lines[i];
    if (lines.size() > kBoxListLines) text += "\nほか " + std::to_string(lines.size() - kBoxListLines) + " 件";
    return text;
}
