#include "ftp/local_name.h"

#include <cstring>

#include "text/lead_byte.h"
#include "text/parse.h"
#include "text/sjis.h"

namespace {

bool IsDeviceName(const std::string& name)
{
    // Windows takes the part before the first dot, blanks before it ignored.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (EqualsIgnoreAsciiCase(stem, device)) return true;
    }
    return stem.size() == 4 && (StartsWithIgnoreAsciiCase(stem, "COM") || StartsWithIgnoreAsciiCase(stem, "LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// Where the '~' stands when `name` has the form of a short (8.3) name that Windows makes for a
// long one: at most 8 bytes before the dot ending in '~' and digits, at most
// 3 after it ("VANTRE~1.INI", "MACHIN~1.INI", "表~12"). Windows resolves such
// a name to the long file it stands for, so "VANTRE~1.INI" written into the
// program folder replaces Vantrel.ini, whatever the listing called it.
// npos for any other name.
std::size_t ShortNameTilde(const std::string& name)
{
    // '.' and digits are never trail bytes; '~' (0x7E) may be one.
    std::size_t dot = name.find('.');
    std::string stem = name.substr(0, dot);
    if (stem.size() > 8) return std::string::npos;
    if (dot != std::string::npos && (name.size() - dot - 1 > 3 || name.find('.', dot + 1) != std::string::npos))
        return std::string::npos;
    std::size_t tilde = std::string::npos;
    for (std::size_t i = 0, width = 0; i < stem.size(); i += width) {
        width = CharBytes(stem, i);
        if (width == 1 && stem[i] == '~') tilde = i;
    }
    bool form = tilde != std::string::npos && tilde + 1 < stem.size() &&
                stem.find_first_not_of("0123456789", tilde + 1) == std::string::npos;
    return form ? tilde : std::string::npos;
}

}  // namespace

bool IsSafeLocalName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    for (std::size_t i = 0, width = 0; i < name.size(); i += width) {
        width = CharBytes(name, i);
        if (width == 2) continue;
        unsigned char byte = static_cast<unsigned char>(name[i]);
        // A lead byte with nothing after it: Windows drops it when it turns
        // the name into UTF-16, so "CON\x81" would open CON.
        if (IsLeadByte(byte)) return false;
        if (byte < 0x20 || byte == 0x7F || std::strchr("\\/:", byte) != nullptr) return false;
    }
    return !IsDeviceName(name) && ShortNameTilde(name) == std::string::npos;
}

std::string MakeSafeLocalName(const std::string& name)
{
    std::string safe;
    for (std::size_t i = 0, width = 0; i < name.size(); i += width) {
        width = CharBytes(name, i);
        unsigned char byte = static_cast<unsigned char>(name[i]);
        bool unusable = width == 1 && (IsLeadByte(byte) || byte < 0x20 || byte == 0x7F ||
                                       std::strchr("\\/:*?\"<>|", byte) != nullptr);
        safe.append(unusable ? std::string("_") : name.substr(i, width));
    }
    for (std::size_t end = safe.size(); end > 0 && (safe[end - 1] == '.' || safe[end - 1] == ' '); --end) {
        safe[end - 1] = '_';
    }
    if (safe.empty()) safe = "_";
    if (IsDeviceName(safe)) safe.insert(0, "_");
    if (std::size_t tilde = ShortNameTilde(safe); tilde != std::string::npos) safe[tilde] = '_';
    return safe;
}
