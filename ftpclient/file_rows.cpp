#include "ftpclient/file_rows.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "text/ascii.h"
#include "text/parse.h"
#include "text/sjis.h"

namespace {

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        std::size_t start = pos;
        while (pos < text.size() && text[pos] != ' ') ++pos;
        if (pos > start) words.push_back(text.substr(start, pos - start));
    }
    return words;
}

// Reads all of text as a decimal number of 1 to 4 digits.
bool Number(std::string_view text, int& out)
{
    if (text.empty() || text.size() > 4) return false;
    out = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

bool Month(std::string_view word, int& out)
{
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() != 3) return false;
    for (int i = 0; i < 12; ++i) {
        bool same = true;
        for (int c = 0; c < 3; ++c) same = same && (word[c] | 0x20) == kMonths[i][c];
        if (same) {
            out = i + 1;
            return true;
        }
    }
    return false;
}

// "19:43", and with suffix "09:05PM" in the twelve-hour form.
bool ClockTime(std::string_view text, bool twelve_hour_allowed, int& hour, int& minute)
{
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon + 3 > text.size()) return false;
    std::string_view suffix = text.substr(colon + 3);
    if (!Number(text.substr(0, colon), hour) || !Number(text.substr(colon + 1, 2), minute)) return false;
    if (!suffix.empty()) {
        if (!twelve_hour_allowed || suffix.size() != 2 || (suffix[1] | 0x20) != 'm' || hour < 1 || hour > 12) {
            return false;
        }
        char half = static_cast<char>(suffix[0] | 0x20);
        if (half != 'a' && half != 'p') return false;
        hour = hour % 12 + (half == 'p' ? 12 : 0);
    }
    return hour <= 23 && minute <= 59;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool ValidDate(int year, int month, int day)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    return day <= kDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long year_of_era = year - era * 400;
    long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

long long Minutes(const RowTime& time)
{
    return DaysFromCivil(time.year, time.month, time.day) * 1440 + time.hour * 60 + time.minute;
}

bool UnixTime(const std::vector<std::string_view>& words, const RowTime& now, RowTime& out)
{
    if (words.size() != 3 || !Month(words[0], out.month) || !Number(words[1], out.day)) return false;
    if (words[2].find(':') == std::string_view::npos) {
        out.has_time = false;
        return words[2].size() == 4 && Number(words[2], out.year) && ValidDate(out.year, out.month, out.day);
    }
    if (!ClockTime(words[2], false, out.hour, out.minute)) return false;
    out.year = now.year;
    // (29 February in a year without one cannot be this year's either.)
    if (!ValidDate(out.year, out.month, out.day) || Minutes(out) > Minutes(now) + 1440) --out.year;
    return ValidDate(out.year, out.month, out.day);
}

bool DosTime(const std::vector<std::string_view>& words, RowTime& out)
{
    if (words.size() != 2) return false;
    std::string_view date = words[0];
    if (date.size() < 8 || (date[2] != '-' && date[2] != '/') || date[5] != date[2]) return false;
    if (!Number(date.substr(0, 2), out.month) || !Number(date.substr(3, 2), out.day)) return false;
    std::string_view year = date.substr(6);
    if (!Number(year, out.year) || (year.size() != 2 && year.size() != 4)) return false;
    // Two-digit years as Windows' own servers mean them.
    if (year.size() == 2) out.year += out.year < 70 ? 2000 : 1900;
    return ValidDate(out.year, out.month, out.day) && ClockTime(words[1], true, out.hour, out.minute);
}

// The name with its ASCII letters in one case; double-byte characters, whose
// second byte may fall among the letters, stay as they are.
std::string Folded(const std::string& name, bool upper)
{
    std::string out = name;
    for (std::size_t i = 0; i < out.size(); i += CharBytes(out, i)) {
        if (CharBytes(out, i) != 1) continue;
        char lower = FoldAsciiCase(out[i]);
        out[i] = upper && lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : lower;
    }
    return out;
}

// The extension after the last dot; "" for none or a name that only starts with one.
std::string Extension(const std::string& name)
{
    // A dot (2E) is never the second byte of a Shift-JIS character.
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return std::string();
    return name.substr(dot + 1);
}

}  // namespace

bool ParseListingTime(std::string_view text, const RowTime& now, RowTime& out)
{
    out = RowTime{};
    std::vector<std::string_view> words = Words(text);
    bool ok = !words.empty() && IsDigit(words[0][0]) ? DosTime(words, out) : UnixTime(words, now, out);
    if (!ok) out = RowTime{};
    return ok;
}

std::string RowTimeText(const RowTime& time)
{
    if (time.year == 0) return std::string();
    char text[32];
    if (time.has_time) {
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", time.year, time.month, time.day, time.hour,
                      time.minute);
    } else {
        std::snprintf(text, sizeof text, "%04d/%02d/%02d", time.year, time.month, time.day);
    }
    return text;
}

std::string GroupedSize(std::uint64_t size)
{
    std::string digits = std::to_string(size);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string TypeText(const FileRow& row)
{
    if (row.is_directory) return "フォルダー";
    std::string extension = Extension(row.name);
    return extension.empty() ? "ファイル" : Folded(extension, true) + " ファイル";
}

SortOrder ClickedOrder(SortOrder current, SortColumn clicked)
{
    if (current.column == clicked) return SortOrder{clicked, !current.descending};
    return SortOrder{clicked, false};
}

std::vector<std::size_t> SortedRows(const std::vector<FileRow>& rows, SortOrder order)
{
    std::vector<std::string> folded;
    std::vector<std::string> types;
    folded.reserve(rows.size());
    for (const FileRow& row : rows) {
        folded.push_back(Folded(row.name, false));
        types.push_back(order.column == SortColumn::kType ? Folded(TypeText(row), false) : std::string());
    }
    std::vector<std::size_t> indexes(rows.size());
    for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
    auto by_name = [&](std::size_t a, std::size_t b) {
        return std::tie(folded[a], rows[a].name) < std::tie(folded[b], rows[b].name);
    };
    // Is a before b in ascending order of the column?
    auto before = [&](std::size_t a, std::size_t b) {
        switch (order.column) {
        case SortColumn::kSize:
            if (rows[a].size != rows[b].size) return rows[a].size < rows[b].size;
            break;
        case SortColumn::kModified: {
            const RowTime& x = rows[a].modified;
            const RowTime& y = rows[b].modified;
            auto key = [](const RowTime& t) { return std::tie(t.year, t.month, t.day, t.hour, t.minute); };
            if (key(x) != key(y)) return key(x) < key(y);
            break;
        }
        case SortColumn::kType:
            if (types[a] != types[b]) return types[a] < types[b];
            break;
        case SortColumn::kName:
            break;
        }
        return by_name(a, b);
    };
    std::stable_sort(indexes.begin(), indexes.end(), [&](std::size_t a, std::size_t b) {
        if (rows[a].is_directory != rows[b].is_directory) return rows[a].is_directory;
        return order.descending ? before(b, a) : before(a, b);
    });
    return indexes;
}

std::string ParentFolder(const std::string& folder)
{
    std::vector<std::size_t> separators;
    for (std::size_t i = 0; i + 1 < folder.size(); i += CharBytes(folder, i)) {
        // The trail byte of a double-byte character may be 5C.
        if (CharBytes(folder, i) == 1 && (folder[i] == '\\' || folder[i] == '/')) separators.push_back(i);
    }
    bool share = folder.size() > 1 && separators.size() >= 2 && separators[0] == 0 && separators[1] == 1;
    // \\server\share\ is the top of a share as C:\ is of a drive.
    if (separators.size() < (share ? 4u : 1u)) return std::string();
    return folder.substr(0, separators.back() + 1);
}

int FindTypedRow(const std::vector<std::string>& names, std::size_t start, const std::string& typed, bool partial,
                 bool wrap)
{
    std::size_t count = names.size();
    if (count == 0 || typed.empty()) return -1;
    start %= count;
    std::size_t steps = wrap ? count : count - start;
    for (std::size_t step = 0; step < steps; ++step) {
        std::size_t item = (start + step) % count;
        const std::string& name = names[item];
        if (name.empty() || name.size() < typed.size() || (!partial && name.size() != typed.size())) continue;
        if (EqualsIgnoreAsciiCase(name.substr(0, typed.size()), typed)) return static_cast<int>(item);
    }
    return -1;
}

std::vector<bool> RepeatedNames(const std::vector<std::string>& names)
{
    // In the order of the name column, names that are one file lie side by side.
    std::vector<FileRow> rows(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) rows[i].name = names[i];
    std::vector<std::size_t> order = SortedRows(rows, SortOrder{});
    std::vector<bool> repeated(names.size());
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (EqualsIgnoreAsciiCase(names[order[i - 1]], names[order[i]])) {
            repeated[order[i - 1]] = repeated[order[i]] = true;
        }
    }
    return repeated;
}
