#include <windows.h>

#include <commctrl.h>

#include "app/main_window.h"
#include "app/startup_state.h"
#include "platform/controls.h"
#include "resources/resource.h"

void CreateStatusBar(HWND main_window)
{
    StatusBar bar(CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", main_window, IDC_STATUS_BAR));
    RECT outer;
    GetWindowRect(main_window, &outer);
    int width = outer.right - outer.left;
    int edges[3] = {static_cast<int>(width * 0.24), static_cast<int>(width * 0.59), width};
    bar.SetParts(edges, 3);

    // Written once: the date and time stay those of the moment the window opened.
    LineText text;
    DateTimeRecord now;
    int weekday = GetLocalDateTime(now);
    text.Format("%d年 %d月 %d日 (%s) %d:%02d", now.year, now.month, now.day, WeekdayName(weekday), now.hour,
                now.minute);
    bar.SetPartText(0, text.c_str());
    text.Clear();

    text.Format("%s %s Version %c%d.%02d.%d", kProductName, kReleaseWord, VersionLetter(), g_version.major,
                g_version.minor, g_version.build);
    bar.SetPartText(1, text.c_str());
    text.Clear();

    text.Format("(C) 2019-%d %s", g_version.year, kMakerName);
    bar.SetPartText(2, text.c_str());
    text.Clear();
}
