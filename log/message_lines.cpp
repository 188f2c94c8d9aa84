#include "log/message_lines.h"

std::vector<std::string> SplitMessageLines(const char* text)
{
    std::vector<std::string> lines(1);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            lines.emplace_back();
        } else {
            lines.back().push_back(*p);
        }
    }
    return lines;
}
