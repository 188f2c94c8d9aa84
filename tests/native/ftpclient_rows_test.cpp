#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftpclient/file_rows.h"
#include "text/parse.h"

namespace {

RowTime At(int year, int month, int day, int hour = 0, int minute = 0)
{
    RowTime time;
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    return time;
}

std::string Parsed(const std::string& text, const RowTime& now)
{
    RowTime out;
    bool ok = ParseListingTime(text, now, out);
    EXPECT_EQ(ok, out.year != 0) << text;
    return RowTimeText(out);
}

TEST(FtpClientRows, YearlessListingDatesLieInTheLastSixMonths)
{
    RowTime december = At(2026, 12, 7, 21, 0);
    EXPECT_EQ(Parsed("Dec 07 19:43", december), "2026/12/07 19:43");
    EXPECT_EQ(Parsed("Jul 01 08:00", december), "2026/07/01 08:00");
    // Up to a day ahead is a server clock ahead of ours, not last year.
    EXPECT_EQ(Parsed("Dec 08 09:30", december), "2026/12/08 09:30");
    EXPECT_EQ(Parsed("Dec 09 09:30", december), "2025/12/09 09:30");
    // Early in the year, last autumn's dates belong to last year.
    RowTime january = At(2027, 1, 10, 9, 0);
    EXPECT_EQ(Parsed("Dec 07 19:43", january), "2026/12/07 19:43");
    EXPECT_EQ(Parsed("jan 10 08:59", january), "2027/01/10 08:59");
    // 29 February of a year without one: last year's, if that had one.
    EXPECT_EQ(Parsed("Feb 29 12:00", At(2029, 1, 10)), "2028/02/29 12:00");
    EXPECT_EQ(Parsed("Feb 29 12:00", At(2027, 1, 10)), "");
    EXPECT_EQ(Parsed("Feb 29 12:00", At(2028, 3, 1)), "2028/02/29 12:00");
    // The year form has no time of day.
    EXPECT_EQ(Parsed("Oct 11 2025", december), "2025/10/11");
}

TEST(FtpClientRows, DosListingDates)
{
    RowTime now = At(2026, 12, 7);
    EXPECT_EQ(Parsed("10-11-26 09:05AM", now), "2026/10/11 09:05");
    EXPECT_EQ(Parsed("10-11-26 09:05PM", now), "2026/10/11 21:05");
    EXPECT_EQ(Parsed("10-11-26 12:00AM", now), "2026/10/11 00:00");
    EXPECT_EQ(Parsed("10-11-26 12:30PM", now), "2026/10/11 12:30");
    EXPECT_EQ(Parsed("10/11/1999 23:59", now), "1999/10/11 23:59");
    EXPECT_EQ(Parsed("12-31-98 01:00AM", now), "1998/12/31 01:00");
}

TEST(FtpClientRows, UnreadableDatesAreUnknown)
{
    RowTime now = At(2026, 12, 7);
    for (const char* text : {"", "Dec", "Dex 07 19:43", "Dec 32 19:43", "Dec 07 24:00", "Dec 07 19:60",
                             "Dec 07 7:5", "Dec 07 19:43PM", "Feb 30 2024", "13-11-26 09:05AM",
                             "10-11-26 13:05PM", "10-11-26 09:05XM", "10-11-2 09:05AM", "10.11.26 09:05"}) {
        EXPECT_EQ(Parsed(text, now), "") << text;
    }
}

TEST(FtpClientRows, ColumnTexts)
{
    EXPECT_EQ(GroupedSize(0), "0");
    EXPECT_EQ(GroupedSize(999), "999");
    EXPECT_EQ(GroupedSize(1000), "1,000");
    EXPECT_EQ(GroupedSize(3000000), "3,000,000");
    EXPECT_EQ(GroupedSize(18446744073709551615u), "18,446,744,073,709,551,615");

    FileRow row;
    row.name = "O1234.nc";
    EXPECT_EQ(TypeText(row), "NC ファイル");
    row.name = "O1234";
    EXPECT_EQ(TypeText(row), "ファイル");
    row.name = ".profile";
    EXPECT_EQ(TypeText(row), "ファイル");
    row.name = "a.\x83\x65";  // テ as the extension: its trail byte 65 ('e') stays
    EXPECT_EQ(TypeText(row), "\x83\x65 ファイル");
    row.name = "NC.old";
    row.is_directory = true;
    EXPECT_EQ(TypeText(row), "フォルダー");
}

TEST(FtpClientRows, ParentFolders)
{
    EXPECT_EQ(ParentFolder("C:\\Program Files\\Vantrel\\"), "C:\\Program Files\\");
    EXPECT_EQ(ParentFolder("C:\\NC\\"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\"), "");
    // 表 (95 5C) ends with the byte of a backslash: no folder ends there.
    EXPECT_EQ(ParentFolder("C:\\\x95\x5C\\"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\a\\\x95\x5C\\"), "C:\\a\\");
    EXPECT_EQ(ParentFolder("\\\\server\\share\\NC\\"), "\\\\server\\share\\");
    EXPECT_EQ(ParentFolder("\\\\server\\share\\"), "");
}

std::vector<std::string> Names(const std::vector<FileRow>& rows, SortOrder order)
{
    std::vector<std::string> names;
    for (std::size_t index : SortedRows(rows, order)) names.push_back(rows[index].name);
    return names;
}

TEST(FtpClientRows, FoldersFirstThenTheClickedColumn)
{
    auto file = [](const char* name, std::uint64_t size, RowTime time) {
        FileRow row;
        row.name = name;
        row.size = size;
        row.modified = time;
        return row;
    };
    FileRow folder = file("NC", 4096, At(2026, 1, 1));
    folder.is_directory = true;
    FileRow other_folder = file("archive", 4096, At(2025, 1, 1));
    other_folder.is_directory = true;
    std::vector<FileRow> rows = {file("b.NC", 300, At(2026, 12, 7, 9, 0)), folder, file("A.txt", 20, At(2026, 12, 7, 10, 0)),
                                 file("c.nc", 20, At(2024, 5, 1)), other_folder,
                                 // 'A' (41) as the trail byte of チ (83 41) is no letter to fold.
                                 file("\x83\x41", 1, At(2026, 1, 1))};

    SortOrder order;
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"archive", "NC", "A.txt", "b.NC", "c.nc", "\x83\x41"}));
    order = ClickedOrder(order, SortColumn::kName);
    EXPECT_TRUE(order.descending);
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"NC", "archive", "\x83\x41", "c.nc", "b.NC", "A.txt"}));

    order = ClickedOrder(order, SortColumn::kSize);
    EXPECT_FALSE(order.descending);
    // Equal sizes by name.
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"archive", "NC", "\x83\x41", "A.txt", "c.nc", "b.NC"}));
    order = ClickedOrder(order, SortColumn::kModified);
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"archive", "NC", "c.nc", "\x83\x41", "b.NC", "A.txt"}));
    order = ClickedOrder(order, SortColumn::kModified);
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"NC", "archive", "A.txt", "b.NC", "\x83\x41", "c.nc"}));
    order = ClickedOrder(order, SortColumn::kType);
    EXPECT_EQ(Names(rows, order), (std::vector<std::string>{"archive", "NC", "b.NC", "c.nc", "A.txt", "\x83\x41"}));
}

// The overwrite questions: one name to Windows in any ASCII case; the
// trail byte of a double-byte character is no letter (チ 83 41, ビ 83 72).
TEST(FtpClientRows, SameFileNameFoldsAsciiOnly)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"O1234.NC", "o1234.nc", true},  {"O1234.NC", "O1234.NC", true}, {"O1234.NC", "O1234.NC ", false},
        {"O1234", "O1235", false},       {"\x83\x41.nc", "\x83\x41.NC", true},
        {"\x83\x41", "\x83\x61", false}, {"\x83\x72", "\x83\x52", false}, {"", "", true},
    };
    for (const Case& c : cases) EXPECT_EQ(EqualsIgnoreAsciiCase(c.a, c.b), c.same) << c.a << " / " << c.b;
}

// Files dropped from several folders: a name that is one file to Windows
// with another of the drop, wherever it stands in the list.
TEST(FtpClientRows, RepeatedNamesAreOneFileToWindows)
{
    struct Case {
        std::vector<std::string> names;
        std::vector<bool> repeated;
    };
    const Case cases[] = {
        {{}, {}},
        {{"O1.NC"}, {false}},
        {{"O1.NC", "O2.NC", "o1.nc"}, {true, false, true}},
        {{"B", "A", "b", "a", "B"}, {true, true, true, true, true}},
        {{"\x83\x41", "\x83\x61", "\x83\x41"}, {true, false, true}},
    };
    for (const Case& c : cases) {
        std::string list;
        for (const std::string& name : c.names) list += name + " ";
        EXPECT_EQ(RepeatedNames(c.names), c.repeated) << list;
    }
}

// Type-ahead: a search without LVFI_WRAP ends at the last row, also when
// rows that cannot match come last; with it, it goes on from the top.
TEST(FtpClientRows, TypedNameSearchWrapsOnlyWhenAsked)
{
    const std::vector<std::string> names = {"", "O1000.NC", "O2000.NC", "PROG", "o1001.nc", "X"};
    struct Case {
        const char* what;
        std::size_t start;
        const char* typed;
        bool partial;
        bool wrap;
        int found;
    };
    const Case cases[] = {
        {"from the top", 0, "o1", true, false, 1},
        {"the next match after start", 2, "o1", true, false, 4},
        {"past the last match, no wrap", 5, "o1", true, false, -1},
        {"past the last match, wrap", 5, "o1", true, true, 1},
        {"non-matching last rows, no wrap", 4, "O2", true, false, -1},
        {"non-matching last rows, wrap", 4, "O2", true, true, 2},
        {"whole name only", 0, "PRO", false, true, -1},
        {"whole name, any ASCII case", 4, "prog", false, true, 3},
        {"the parent row never matches", 0, "", true, true, -1},
        {"start past the end counts round", 7, "o2", true, false, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindTypedRow(names, c.start, c.typed, c.partial, c.wrap), c.found)
            << c.what << ": start " << c.start << ", typed \"" << c.typed << "\"";
    }
}

}  // namespace
