#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/startup_state.h"
#include "resources/resource.h"

void CreateStatusBar(HWND main_window)
{
    HWND bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", main_window, IDC_STATUS_BAR);
    RECT outer;
    GetWindowRect(main_window, &outer);
    int width = outer.right - outer.left;
    int edges[3] = {static_cast<int>(width * 0.24), static_cast<int>(width * 0.59), width};
    SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));

    // Written once: the date and time stay those of the moment the window opened.
    LineText text;
    DateTimeRecord now;
    int weekday = GetLocalDateTime(now);
    text.Format("%d年 %d月 %d日 (%s) %d:%02d", now.year, now.month, now.day, WeekdayName(weekday), now.hour,
                now.minute);
    SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    text.Clear();

    text.Format("%s %s Version %c%d.%02d.%d", kProductName, kReleaseWord, VersionLetter(), g_version.major,
                g_version.minor, g_version.build);
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text.c_str()));
    text.Clear();

    text.Format("(C) 2019-%d %s", g_version.year, kMakerName);
    SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(text.c_str()));
    text.Clear();
}
