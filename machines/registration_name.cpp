#include "machines/registration_name.h"

#include <cstring>
#include <string_view>

#include "text/ascii.h"
#include "text/parse.h"
#include "text/sjis.h"

namespace {

// Section lines are cut at '[' and ']', and a line break ends any line. The
// scan steps over double-byte characters: the trail byte of ー (81 5B) is '['.
bool HasBracketOrLineBreak(std::string_view name)
{
    for (std::size_t i = 0, width = 0; i < name.size(); i += width) {
        width = CharBytes(name, i);
        if (width == 2) continue;
        char c = name[i];
        if (c == '[' || c == ']' || c == '\r' || c == '\n') return true;
    }
    return false;
}

}  // namespace

const char* RegistrationNameFault(const char* name)
{
    std::size_t length = std::strlen(name);
    if (length == 0) return "エラー：マシニング登録名取得失敗";
    // The profile functions drop blanks around section names and values, so
    // " MC1" would write into MC1's section while its slot held another name.
    if (std::strspn(name, " \t") == length) return "エラー：マシニング登録名が空白だけです";
    if (IsBlank(name[0]) || IsBlank(name[length - 1]))
        return "エラー：マシニング登録名の先頭と末尾に空白は使えません";
    if (HasBracketOrLineBreak(name)) return "エラー：マシニング登録名に「[」「]」と改行は使えません";
    // A slot value wrapped in quotes is read back without them.
    if (length >= 2 && (name[0] == '"' || name[0] == '\'') && name[length - 1] == name[0])
        return "エラー：マシニング登録名を引用符で囲むことはできません";
    // The index section itself: saving would write machine keys into it and
    // deleting would remove every slot.
    if (EqualsIgnoreAsciiCase(name, "machine")) return "エラー：「machine」はマシニング登録名に使えません";
    return nullptr;
}
