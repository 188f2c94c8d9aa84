#include "app/version.h"

#include "app/version_number.h"

// The build number is stored as 0 and completed at start-up.
VersionRecord g_version = {VANTREL_RELEASE_YEAR, VANTREL_RELEASE_MONTH, VANTREL_RELEASE_DAY,
                           VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR, 0};

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
