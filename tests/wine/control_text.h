#pragma once

// The texts of list and combo boxes as tests read them back: Shift-JIS bytes.
#include <windows.h>

#include <string>
#include <vector>

// Lines of a list box from line `first` on.
inline std::vector<std::string> ListBoxLines(HWND list, int first = 0)
{
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = first; i < count; ++i) {
        std::string line(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(line);
    }
    return lines;
}

// The entries of a combo box's list.
inline std::vector<std::string> ComboBoxEntries(HWND combo)
{
    std::vector<std::string> entries;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string entry(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)), '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
        entries.push_back(entry);
    }
    return entries;
}
