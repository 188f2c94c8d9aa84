#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the two panes show of a file or folder, how they show it and in which
// order. Needs no Windows: the native tests check it.

struct RowTime {
    int year = 0;  // 0: unknown (the server's listing had no date we read)
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    bool has_time = true;  // false for a listing that gave the year instead
};

struct FileRow {
    std::string name;  // as shown, in the ANSI code page
    bool is_directory = false;
    std::uint64_t size = 0;
    RowTime modified;
};

// The date of a listing line as the FTP layer keeps it ("Dec 07 19:43",
// "Oct 11  2026", "10-11-26 09:05PM"). The Unix form without a year means a
// date in the last six months (ls and the usual servers write the year for
// anything older), so it is this year unless that lies in the future,
// else last year; a day of slack allows for a server clock in a time zone
// ahead of ours. False (and out unknown) for any other text.
bool ParseListingTime(std::string_view text, const RowTime& now, RowTime& out);

// "2026/12/07 19:43"; "2026/10/11" without a time; "" when unknown.
std::string RowTimeText(const RowTime& time);

// "1,234,567".
std::string GroupedSize(std::uint64_t size);

// The 種類 column: "フォルダー", "NC ファイル" (the extension in capitals, as
// Explorer shows it) or "ファイル" for a name without one.
std::string TypeText(const FileRow& row);

enum class SortColumn { kName = 0, kSize = 1, kModified = 2, kType = 3 };

struct SortOrder {
    SortColumn column = SortColumn::kName;
    bool descending = false;
};

// A click on a column header: the same column again reverses the order,
// another column sorts by it ascending.
SortOrder ClickedOrder(SortOrder current, SortColumn clicked);

// Indexes of rows in display order: folders first, then files, each group by
// the column (names without regard to ASCII case; equal values by name).
std::vector<std::size_t> SortedRows(const std::vector<FileRow>& rows, SortOrder order);

// Type-ahead in a pane: the first of `names` (in display order) from `start`
// on that is `typed`, or with `partial` starts with it, in the sense of
// EqualsIgnoreAsciiCase (the same file name to Windows, as far as the
// overwrite questions need); with `wrap` the search goes on from the top up to `start`,
// without it ends at the last row. -1 when none. An empty name (the parent
// folder's row) never matches.
int FindTypedRow(const std::vector<std::string>& names, std::size_t start, const std::string& typed, bool partial,
                 bool wrap);

// For each name, whether another of the list is the same file name to
// Windows (EqualsIgnoreAsciiCase): files dropped from two folders under one name
// would be one file on the server.
std::vector<bool> RepeatedNames(const std::vector<std::string>& names);

// The folder above a local folder ("C:\\NC\\A\\" gives "C:\\NC\\"); "" for a
// drive's root or a share's ("\\\\server\\share\\"). Folders end with a backslash.
std::string ParentFolder(const std::string& folder);
