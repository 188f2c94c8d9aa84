#include "app/version.h"

VersionRecord g_version = {2026, 10, 11, 0, 7, 0};

void CompleteBuildNumber()
{
    g_version.build = g_version.month * 100 + g_version.day + g_version.year;
}

char VersionLetter() { return kReleaseWord[0]; }

const char* const kWeekdayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};

const char* WeekdayName(int weekday)
{
    return (weekday >= 0 && weekday < 7) ? kWeekdayNames[weekday] : "?";
}
