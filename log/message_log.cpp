#include "log/message_log.h"

#include <cstdarg>

#include "app/startup_state.h"
#include "log/message_lines.h"
#include "platform/controls.h"

MessageText g_message;

namespace {

ListBox g_message_list;

// Sets the list's horizontal extent to the width of the message buffer's
// text, so that the longest single-line message can be scrolled into view.
void WidenMessageList()
{
    HWND list = g_message_list.hwnd();
    HDC dc = GetDC(list);
    if (dc == nullptr) return;
    int saved = SaveDC(dc);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    if (font != nullptr) SelectObject(dc, font);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, g_message.c_str(), g_startup.longest_line_width, &extent);
    g_message_list.SetHorizontalExtent(extent.cx + GetSystemMetrics(SM_CXVSCROLL));
    RestoreDC(dc, saved);
    ReleaseDC(list, dc);
}

UINT BoxStyle(MessageKind kind)
{
    if (kind < 0) return MB_ICONERROR;
    if (kind == kInformation) return MB_ICONINFORMATION;
    if (kind == kWarning) return MB_ICONWARNING;
    return 0;
}

}  // namespace

void SetMessageList(HWND list) { g_message_list = ListBox(list); }

HWND MessageListWindow() { return g_message_list.hwnd(); }

int PostMessageBuffer(HWND owner, MessageKind kind)
{
    std::vector<std::string> lines = SplitMessageLines(g_message.c_str());
    if (lines.size() == 1) {
        g_message_list.AddString(g_message.c_str());
        int length = static_cast<int>(g_message.size());
        if (length > g_startup.longest_line_width) {
            g_startup.longest_line_width = length;
            WidenMessageList();
        }
    } else {
        MessageText line;
        for (const std::string& piece : lines) {
            line.Assign(piece.c_str());
            g_message_list.AddString(line.c_str());
            line.Clear();
        }
    }
    g_message_list.SetCurSel(g_message_list.GetCount() - 1);

    if (UINT style = BoxStyle(kind); style != 0) MessageBoxA(owner, g_message.c_str(), "Vantrel", MB_OK | style);

    g_message.Clear();
    return kind;
}

int PostText(HWND owner, MessageKind kind, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_message.FormatV(format, args);
    va_end(args);
    return PostMessageBuffer(owner, kind);
}

void PostStartBanner(HWND main_window)
{
    static const char kRule[] = "_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/_/";
    PostText(main_window, kListOnly, "%s", kRule);
    PostText(main_window, kListOnly, "ＮＣファイル%s / %s", kProductName, kMakerName);
    PostText(main_window, kListOnly, "File Transfer Protocol %s Version %c%d.%02d.%d", kReleaseWord,
             VersionLetter(), g_version.major, g_version.minor, g_version.build);

    DateTimeRecord now;
    int weekday = GetLocalDateTime(now);
    RECT outer;
    GetWindowRect(main_window, &outer);
    PostText(main_window, kListOnly, "Start %d/%d/%d (%s) %02d:%02d:%02d ・ Window Size %d×%d", now.year, now.month,
             now.day, WeekdayName(weekday), now.hour, now.minute, now.second, static_cast<int>(outer.right - outer.left),
             static_cast<int>(outer.bottom - outer.top));
    PostText(main_window, kListOnly, "%s", kRule);
}
