#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the status line says of a transfer: while a file moves, the bytes
// done of all, the rate and the time left; after a job, the total and the
// mean rate. Needs no Windows: the native tests check it.
//
// KB and MB are 1024 bytes and 1024 KB, as Explorer counts them.

struct TransferFigures {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    bool total_known = true;  // false for a download whose size the server did not list
    std::uint64_t elapsed_ms = 0;  // since the file began to move
};

// "1,234,567 / 3,000,000 バイト  1.2 MB/s  残り 0:02". The rate is left
// out until there is one (no time passed, nothing moved yet); the time left
// too, and when the total is unknown or already passed (a file that grew).
// Once all bytes have moved, the time left gives way to
// "サーバーの応答を待っています": an upload's count is what the connection
// has taken, and on a slow line its buffers hold seconds of data.
std::string TransferProgressText(const TransferFigures& figures);

// After a job: "2 件 6,000,000 バイト  平均 1.5 MB/s" (no rate when no
// time could be measured).
std::string TransferSummaryText(std::size_t files, std::uint64_t bytes, std::uint64_t elapsed_ms);

// The most lines a box lists, so that the box and its button stay on the screen.
inline constexpr std::size_t kBoxListLines = 20;

// A box's text: `head` (may be empty), then one of `lines` a line, at most
// kBoxListLines of them, then "ほか N 件" for the rest: 300 refused uploads
// must not make a box taller than the screen.
std::string BoxListText(const std::string& head, const std::vector<std::string>& lines);
