#include "ftp/reply.h"

#include <cstring>

#include "text/ascii.h"
#include "text/parse.h"

namespace {

// Reads decimal digits at text[pos]; false when there are none or the value
// passes `limit`.
bool ReadNumber(std::string_view text, std::size_t& pos, unsigned limit, unsigned& value)
{
    if (pos >= text.size() || !IsDigit(text[pos])) return false;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        if (value > limit) return false;
        ++pos;
    }
    return true;
}

bool AllDigits(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

// Blank-separated fields of a listing line; `rest` receives where the text
// after the last field taken begins, for names that hold blanks.
std::vector<std::string_view> Fields(std::string_view line, std::size_t count, std::string_view& rest)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < count) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size()) break;
        std::size_t start = pos;
        while (pos < line.size() && !IsBlank(line[pos])) ++pos;
        fields.push_back(line.substr(start, pos - start));
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    rest = line.substr(pos);
    return fields;
}

bool IsMonth(std::string_view word)
{
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    for (const char* month : kMonths) {
        if (EqualsIgnoreAsciiCase(word, month)) return true;
    }
    return false;
}

// Decimal digits as a size; false when they pass what 64 bits hold.
bool ToSize(std::string_view digits, std::uint64_t& value)
{
    value = 0;
    for (char c : digits) {
        unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

bool ParseUnixLine(std::string_view line, ListEntry& out)
{
    char kind = line[0];
    if (std::strchr("-dlbcps", kind) == nullptr || line.size() < 10) return false;
    std::string_view rest;
    // Mode, links, owner, group, size, month, day, time or year; some
    // servers leave out the group, so the month may come one field early.
    std::vector<std::string_view> fields = Fields(line, 8, rest);
    if (fields.size() < 7) return false;
    std::size_t month = 0;
    if (fields.size() >= 8 && IsMonth(fields[5]) && AllDigits(fields[4])) {
        month = 5;
    } else if (IsMonth(fields[4]) && AllDigits(fields[3])) {
        month = 4;
        Fields(line, 7, rest);
    } else {
        return false;
    }
    std::string_view name = rest;
    std::uint64_t size = 0;
    if (name.empty() || !ToSize(fields[month - 1], size)) return false;
    out = ListEntry{};
    out.is_directory = kind == 'd';
    out.is_link = kind == 'l';
    if (out.is_link) {
        std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    out.name.assign(name);
    out.size = size;
    out.modified = std::string(fields[month]) + " " + std::string(fields[month + 1]) + " " +
                   std::string(fields[month + 2]);
    return true;
}

bool ParseDosLine(std::string_view line, ListEntry& out)
{
    std::string_view rest;
    std::vector<std::string_view> fields = Fields(line, 3, rest);
    if (fields.size() < 3 || rest.empty()) return false;
    std::string_view date = fields[0];
    if (date.size() < 8 || !IsDigit(date[0]) || (date[2] != '-' && date[2] != '/')) return false;
    std::string_view time = fields[1];
    if (time.size() < 5 || !IsDigit(time[0])) return false;
    out = ListEntry{};
    if (fields[2] == "<DIR>") {
        out.is_directory = true;
    } else if (!AllDigits(fields[2]) || !ToSize(fields[2], out.size)) {
        return false;
    }
    out.name.assign(rest);
    out.modified = std::string(date) + " " + std::string(time);
    return true;
}

// "257 /PROG": some servers (small embedded ones among them) leave the
// quotes out. As common clients do, the folder is the first word after the
// code, so a folder whose name holds a blank is cut there. Only a word that
// begins with '/' is taken: a remark ("257 Current directory is /PROG") is
// no folder, and a caller that trusted it would compare the wrong name.
bool ParseUnquotedDirectory(std::string_view text, std::string& out)
{
    if (ReplyCode(text) == 0 || text.size() < 5 || text[3] != ' ') return false;
    std::string_view rest;
    std::vector<std::string_view> words = Fields(text.substr(4), 1, rest);
    if (words.empty() || words[0].front() != '/') return false;
    out.assign(words[0]);
    return true;
}

}  // namespace

void LineSplitter::Feed(const char* data, std::size_t size)
{
    // Each byte is moved at most once for every time the buffer halves.
    if (start_ > 0 && start_ >= pending_.size() - start_) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    pending_.append(data, size);
}

bool LineSplitter::NextLine(std::string& line)
{
    std::size_t end = pending_.find('\n', start_ + scanned_);
    if (end == std::string::npos) {
        scanned_ = pending_.size() - start_;
        return false;
    }
    std::size_t length = end - start_;
    if (length > 0 && pending_[end - 1] == '\r') --length;
    line.assign(pending_, start_, length);
    start_ = end + 1;
    scanned_ = 0;
    if (start_ == pending_.size()) {
        pending_.clear();
        start_ = 0;
    }
    return true;
}

int ReplyCode(std::string_view line)
{
    if (line.size() < 3 || line[0] < '1' || line[0] > '5' || !IsDigit(line[1]) || !IsDigit(line[2])) return 0;
    if (line.size() > 3 && line[3] != ' ' && line[3] != '-') return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool ReplyAssembler::Add(const std::string& line)
{
    lines_.push_back(line);
    bytes_ += line.size();
    if (lines_.size() == 1) {
        code_ = ReplyCode(line);
        // A first line without a code cannot open a reply: hand it back as
        // complete with code 0 so that the caller sees a protocol error.
        multi_line_ = code_ != 0 && line.size() > 3 && line[3] == '-';
        return !multi_line_;
    }
    return ReplyCode(line) == code_ && (line.size() == 3 || line[3] == ' ');
}

void ReplyAssembler::Reset()
{
    code_ = 0;
    multi_line_ = false;
    bytes_ = 0;
    lines_.clear();
}

bool ParsePassiveReply(std::string_view text, HostPort& out)
{
    // Skip the reply code itself, whose digits are not part of the group.
    std::size_t start = text.size() > 4 ? 4 : text.size();
    for (std::size_t begin = start; begin < text.size(); ++begin) {
        if (!IsDigit(text[begin]) || (begin > 0 && IsDigit(text[begin - 1]))) continue;
        std::size_t pos = begin;
        unsigned numbers[6];
        int count = 0;
        while (count < 6 && ReadNumber(text, pos, 255, numbers[count])) {
            ++count;
            if (count < 6) {
                if (pos >= text.size() || text[pos] != ',') break;
                ++pos;
            }
        }
        if (count == 6) {
            for (int i = 0; i < 4; ++i) out.address[i] = static_cast<std::uint8_t>(numbers[i]);
            out.port = static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]);
            return true;
        }
    }
    return false;
}

std::string PortArgument(const HostPort& where)
{
    std::string text;
    for (int i = 0; i < 4; ++i) text += std::to_string(where.address[i]) + ",";
    text += std::to_string(where.port >> 8) + "," + std::to_string(where.port & 0xFF);
    return text;
}

bool ParseDirectoryReply(std::string_view text, std::string& out)
{
    std::size_t open = text.find('"');
    if (open == std::string_view::npos) return ParseUnquotedDirectory(text, out);
    out.clear();
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] != '"') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            return true;
        }
    }
    return false;
}

bool ParseSizeReply(std::string_view line, std::uint64_t& size)
{
    if (ReplyCode(line) != 213 || line.size() < 5 || line[3] != ' ') return false;
    std::size_t pos = 4;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || !IsDigit(line[pos])) return false;
    std::uint64_t value = 0;
    for (; pos < line.size() && IsDigit(line[pos]); ++pos) {
        unsigned digit = static_cast<unsigned>(line[pos] - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos != line.size()) return false;
    size = value;
    return true;
}

std::vector<std::string> SplitNameList(std::string_view data)
{
    std::vector<std::string> names;
    LineSplitter splitter;
    splitter.Feed(data.data(), data.size());
    if (!data.empty() && data.back() != '\n') splitter.Feed("\n", 1);
    std::string line;
    while (splitter.NextLine(line)) {
        if (!line.empty()) names.push_back(line);
    }
    return names;
}

bool ParseListLine(std::string_view line, ListEntry& out)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.empty()) return false;
    if (IsDigit(line[0])) return ParseDosLine(line, out);
    return ParseUnixLine(line, out);
}

ListingForm ParseLongListing(std::string_view data, std::vector<FolderEntry>& entries)
{
    entries.clear();
    bool any_line = false;
    bool understood = false;
    for (const std::string& line : SplitNameList(data)) {
        if (line.rfind("total ", 0) == 0) continue;  // ls -l's count of blocks, in an empty folder too
        any_line = true;
        ListEntry listed;
        if (!ParseListLine(line, listed)) continue;
        understood = true;
        if (listed.name == "." || listed.name == "..") continue;
        FolderEntry entry;
        entry.name = std::move(listed.name);
        entry.is_directory = listed.is_directory;
        entry.is_link = listed.is_link;
        entry.size = listed.size;
        entry.size_known = !listed.is_directory && !listed.is_link;
        entry.modified = std::move(listed.modified);
        entries.push_back(std::move(entry));
    }
    if (understood) return ListingForm::kEntries;
    return any_line ? ListingForm::kUnknown : ListingForm::kEmpty;
}

bool SplitHostPort(std::string_view text, std::string& host, std::uint16_t& port)
{
    std::size_t colon = text.rfind(':');
    port = 21;
    if (colon != std::string_view::npos) {
        std::size_t pos = colon + 1;
        unsigned value = 0;
        if (!ReadNumber(text, pos, 65535, value) || pos != text.size() || value == 0) return false;
        port = static_cast<std::uint16_t>(value);
        text = text.substr(0, colon);
    }
    if (text.empty()) return false;
    host.assign(text);
    return true;
}
