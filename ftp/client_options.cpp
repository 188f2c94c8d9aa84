#include "ftp/client_options.h"

#include <array>

#include "text/ascii.h"
#include "text/parse.h"
#include "text/sjis.h"

namespace {

constexpr std::array<std::string_view, 6> kOptionNames = {"host",     "user",       "password",
                                                           "encoding", "remote-dir", "local-dir"};

int OptionIndex(std::string_view name)
{
    for (std::size_t i = 0; i < kOptionNames.size(); ++i) {
        if (name == kOptionNames[i]) return static_cast<int>(i);
    }
    return -1;
}

// Whether text[pos] starts " --name" of a known option, followed by a blank
// or the end of the line.
bool OptionStartsAt(std::string_view text, std::size_t pos)
{
    if (pos + 3 > text.size() || text[pos] != ' ' || text[pos + 1] != '-' || text[pos + 2] != '-') return false;
    std::size_t name_start = pos + 3;
    std::size_t name_end = name_start;
    while (name_end < text.size() && !IsBlank(text[name_end])) ++name_end;
    return OptionIndex(text.substr(name_start, name_end - name_start)) >= 0;
}

// A value wholly in double quotes loses them. A launcher that quotes by the
// usual Windows rules doubles the backslashes before the closing quote
// ("C:\NC\\" for C:\NC\): those are halved again. Backslashes are
// counted on whole characters, since 表 ends in the byte 0x5C.
std::string Unquoted(std::string_view value)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::string(value);
    std::string inner(value.substr(1, value.size() - 2));
    std::size_t trailing = 0;
    for (std::size_t i = 0, width = 0; i < inner.size(); i += width) {
        width = CharBytes(inner, i);
        trailing = width == 1 && inner[i] == '\\' ? trailing + 1 : 0;
    }
    if (trailing >= 2 && trailing % 2 == 0) inner.resize(inner.size() - trailing / 2);
    return inner;
}

bool Fail(OptionError& error, OptionProblem problem, std::string_view subject)
{
    error.problem = problem;
    error.subject.assign(subject);
    return false;
}

}  // namespace

bool ParseClientOptions(std::string_view arguments, ClientOptions& out, OptionError& error)
{
    out = ClientOptions{};
    error = OptionError{};
    while (!arguments.empty() && (arguments.back() == '\r' || arguments.back() == '\n' || IsBlank(arguments.back()))) {
        arguments.remove_suffix(1);
    }

    std::array<bool, kOptionNames.size()> seen{};
    std::array<std::string, kOptionNames.size()> values;
    std::size_t pos = 0;
    while (true) {
        while (pos < arguments.size() && IsBlank(arguments[pos])) ++pos;
        if (pos >= arguments.size()) break;
        if (arguments.compare(pos, 2, "--") != 0) {
            return Fail(error, OptionProblem::kStrayText, arguments.substr(pos, arguments.find(' ', pos) - pos));
        }
        std::size_t name_end = pos + 2;
        while (name_end < arguments.size() && !IsBlank(arguments[name_end])) ++name_end;
        std::string_view name = arguments.substr(pos + 2, name_end - pos - 2);
        int index = OptionIndex(name);
        if (index < 0) return Fail(error, OptionProblem::kUnknownOption, arguments.substr(pos, name_end - pos));
        if (seen[index]) return Fail(error, OptionProblem::kRepeatedOption, name);
        seen[index] = true;

        std::size_t value_end = arguments.size();
        if (name != "local-dir") {
            for (std::size_t at = name_end; at < arguments.size(); ++at) {
                if (OptionStartsAt(arguments, at)) {
                    value_end = at;
                    break;
                }
            }
        }
        std::size_t value_start = name_end + 1 < value_end ? name_end + 1 : value_end;
        values[index] = Unquoted(arguments.substr(value_start, value_end - value_start));
        pos = value_end;
    }

    for (std::string_view required : {"host", "user", "password", "encoding", "local-dir"}) {
        if (!seen[OptionIndex(required)]) return Fail(error, OptionProblem::kMissingOption, required);
    }
    for (std::string_view required : {"host", "user", "local-dir"}) {
        if (values[OptionIndex(required)].empty()) return Fail(error, OptionProblem::kEmptyValue, required);
    }

    const std::string& encoding = values[OptionIndex("encoding")];
    if (EqualsIgnoreAsciiCase(encoding, "sjis") || EqualsIgnoreAsciiCase(encoding, "shift_jis") ||
        EqualsIgnoreAsciiCase(encoding, "cp932")) {
        out.encoding = WireEncoding::kShiftJis;
    } else if (EqualsIgnoreAsciiCase(encoding, "utf8") || EqualsIgnoreAsciiCase(encoding, "utf-8")) {
        out.encoding = WireEncoding::kUtf8;
    } else if (EqualsIgnoreAsciiCase(encoding, "auto")) {
        out.encoding = WireEncoding::kShiftJis;
        out.offer_utf8 = true;
    } else {
        return Fail(error, OptionProblem::kBadEncoding, encoding);
    }
    out.host = values[OptionIndex("host")];
    out.user = values[OptionIndex("user")];
    out.password = values[OptionIndex("password")];
    out.has_remote_dir = seen[OptionIndex("remote-dir")];
    out.remote_dir = values[OptionIndex("remote-dir")];
    out.local_dir = values[OptionIndex("local-dir")];
    return true;
}
