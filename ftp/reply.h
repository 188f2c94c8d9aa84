#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reading what an FTP server says, with no sockets involved: cutting the
// control connection's bytes into lines, grouping lines into replies, and
// the few replies and listings whose content the session needs.

// Collects received bytes and hands out whole lines without their CR LF
// (a lone LF also ends a line, as some servers send it). Bytes are kept as
// they are: names in replies are Shift-JIS and must reach the caller intact.
// The cost is linear in the bytes fed: lines taken are skipped by an offset,
// and the taken part is dropped only once it outweighs the rest.
class LineSplitter {
public:
    void Feed(const char* data, std::size_t size);
    // Takes the next complete line into `line`; false while none is complete.
    bool NextLine(std::string& line);
    // A server that never ends its line must not grow memory without bound.
    bool Overlong() const { return pending_.size() - start_ > kMaxLine; }

    static constexpr std::size_t kMaxLine = 64 * 1024;

private:
    std::string pending_;
    std::size_t start_ = 0;    // where the first line not yet taken begins
    std::size_t scanned_ = 0;  // bytes from start_ on known to hold no line feed
};

// One reply: "123 text" alone, or "123-text" ... up to the line that starts
// with the same code and a blank. Lines between may be anything, but not
// without end: a reply past kMaxLines lines or kMaxBytes bytes is no FTP
// (the longest greetings and FEAT replies seen are a few dozen lines).
class ReplyAssembler {
public:
    // Adds a line; true when it completed the reply.
    bool Add(const std::string& line);
    int code() const { return code_; }
    const std::vector<std::string>& lines() const { return lines_; }
    // The reply so far has passed its limits; the caller gives it up.
    bool TooLong() const { return lines_.size() > kMaxLines || bytes_ > kMaxBytes; }
    void Reset();

    static constexpr std::size_t kMaxLines = 1000;
    static constexpr std::size_t kMaxBytes = 256 * 1024;

private:
    int code_ = 0;
    bool multi_line_ = false;
    std::size_t bytes_ = 0;
    std::vector<std::string> lines_;
};

// The three-digit code at the start of a line, or 0 when the line has none.
int ReplyCode(std::string_view line);

inline bool IsPositivePreliminary(int code) { return code >= 100 && code < 200; }
inline bool IsPositiveCompletion(int code) { return code >= 200 && code < 300; }

// IPv4 address and port of a data connection: the six numbers of a 227
// reply or of a PORT command.
struct HostPort {
    std::uint8_t address[4] = {};
    std::uint16_t port = 0;
};

// Finds "h1,h2,h3,h4,p1,p2" in a 227 reply (servers differ on the text
// around it). False when the reply holds no such group or a number is out
// of range.
bool ParsePassiveReply(std::string_view text, HostPort& out);

// The argument of a PORT command for the given address and port.
std::string PortArgument(const HostPort& where);

// The directory named by a 257 reply: the text between the first and the
// matching closing double quote, with doubled quotes read as one; in a line
// without quotes ("257 /PROG"), the first word after the code when it
// begins with '/'.
bool ParseDirectoryReply(std::string_view text, std::string& out);

// The size in a 213 reply to SIZE ("213 5000"). False for any other reply,
// a missing or over-long number, or text after it.
bool ParseSizeReply(std::string_view line, std::uint64_t& size);

// Splits a name list (NLST data) into names: one per line, CR LF or LF,
// empty lines dropped, bytes unchanged.
std::vector<std::string> SplitNameList(std::string_view data);

// One entry of a LIST listing in the Unix ("-rw-r--r-- 1 u g 123 Oct 11 09:05
// name") or the DOS ("10-11-26  09:05AM  <DIR>  name") form.
struct ListEntry {
    std::string name;
    bool is_directory = false;
    bool is_link = false;
    std::uint64_t size = 0;
    std::string modified;  // as the server wrote it, e.g. "Oct 11 09:05"
};
// False for lines that are neither form ("total 12", blank lines), and for a
// size too large for 64 bits.
bool ParseListLine(std::string_view line, ListEntry& out);

// An entry of a folder: a LIST line's, or a name alone (NLST's).
struct FolderEntry {
    std::string name;
    bool is_directory = false;  // false also for a name alone
    bool is_link = false;
    std::uint64_t size = 0;     // as listed
    // `size` is the file's: not so for a folder, a link (its listed length
    // is its target's name) or a name alone.
    bool size_known = false;
    std::string modified;
};

// What the data of a LIST says of a folder.
enum class ListingForm {
    kEmpty,    // no line but ls -l's count of blocks ("total 0")
    kEntries,  // a line in the Unix or DOS form at least
    kUnknown,  // lines, none in either form: only NLST can tell the names
};
// The entries of LIST data into `entries`; lines of neither form are left
// out, and so are "." and "..".
ListingForm ParseLongListing(std::string_view data, std::vector<FolderEntry>& entries);

// "host" or "host:port" (the port 1 to 65535); port 21 when none is given.
bool SplitHostPort(std::string_view text, std::string& host, std::uint16_t& port);
