// Times the FTP layer's reading of a large listing, natively: cutting
// 100,000 lines (LIST in the Unix form, then NLST names) out of the whole
// listing, parsing each listing line, and the client's
// rows and their order. Prints one line per step; no target is checked here
// (docs/performance.md records the figures).
//   cmake -S . -B build/native-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/native-release --target listing_timing
//   build/native-release/listing_timing [lines]
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ftp/reply.h"
#include "ftpclient/file_rows.h"

namespace {

// (<chrono> does not compile with the Shift-JIS execution character set.)
double Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Ms(double since) { return Now() - since; }

}  // namespace

int main(int argc, char** argv)
{
    std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    std::string listing;
    std::string names;
    for (std::size_t i = 0; i < count; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "-rw-r--r--    1 1000     1000        %7zu Dec 07 19:43 O%06zu.NC\r\n",
                      1000 + i % 900000, i);
        listing += line;
        std::snprintf(line, sizeof line, "O%06zu.NC\r\n", i);
        names += line;
    }

    // As FTPClient's worker and the delivery check do: the whole listing at once.
    double start = Now();
    LineSplitter splitter;
    splitter.Feed(listing.data(), listing.size());
    std::vector<std::string> lines;
    std::string line;
    while (splitter.NextLine(line)) lines.push_back(line);
    double split_ms = Ms(start);

    start = Now();
    std::vector<ListEntry> entries;
    entries.reserve(lines.size());
    for (const std::string& text : lines) {
        ListEntry entry;
        if (ParseListLine(text, entry)) entries.push_back(std::move(entry));
    }
    double parse_ms = Ms(start);

    start = Now();
    std::vector<std::string> listed = SplitNameList(names);
    double names_ms = Ms(start);

    start = Now();
    RowTime now{2026, 12, 8, 12, 0};
    std::vector<FileRow> rows(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        rows[i].name = entries[i].name;
        rows[i].size = entries[i].size;
        ParseListingTime(entries[i].modified, now, rows[i].modified);
    }
    std::vector<std::size_t> order = SortedRows(rows, SortOrder{});
    double rows_ms = Ms(start);

    std::printf("listing: %zu lines, %zu bytes\n", lines.size(), listing.size());
    std::printf("split LIST: %.1f ms\nparse LIST lines: %.1f ms (%zu entries)\n", split_ms, parse_ms, entries.size());
    std::printf("split + parse: %.1f ms\n", split_ms + parse_ms);
    std::printf("split NLST: %.1f ms (%zu names)\n", names_ms, listed.size());
    std::printf("client rows and name order: %.1f ms (%zu rows)\n", rows_ms, order.size());
    return entries.size() == count && listed.size() == count ? 0 : 1;
}
