#pragma once

// The version record and the date-time record, with the texts made of them.
// Portable: the Windows side fills a DateTimeRecord from the clock or a file.

struct VersionRecord {
    int year;
    int month;
    int day;
    int major;
    int minor;
    int build;  // completed at start-up: month * 100 + day + year
};

// One instance for the process; CompleteBuildNumber() runs once at start-up.
extern VersionRecord g_version;
void CompleteBuildNumber();

// The first character of "Release".
char VersionLetter();

struct DateTimeRecord {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// Index 0 is Sunday.
extern const char* const kWeekdayNames[7];
const char* WeekdayName(int weekday);

inline constexpr const char* kProductName = "Vantrel";
inline constexpr const char* kMakerName = "Tarnvale Service";
inline constexpr const char* kReleaseWord = "Release";
inline constexpr const char* kMakerWebAddress = "https://tarnvale-service.example/vantrel/";
