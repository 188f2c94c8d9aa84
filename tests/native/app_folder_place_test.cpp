#include <gtest/gtest.h>

#include <string>

#include "app/folder_place.h"

namespace {

// Where a program folder lies, with the folders a Japanese Windows 10 reports.
TEST(FolderPlace, ProgramFilesWindowsAndOneDriveAreTold)
{
    KnownFolders known;
    known.program_files = {"C:\\Program Files", "C:\\Program Files (x86)\\"};
    known.windows = "C:\\WINDOWS";
    known.onedrive = {"C:\\Users\\加工\\OneDrive", "", "C:\\Users\\加工\\OneDrive - 工場"};
    struct Case {
        const char* folder;
        FolderPlace place;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Vantrel\\", FolderPlace::kProgramFiles},
        {"c:\\program files (x86)\\Vantrel\\", FolderPlace::kProgramFiles},
        {"C:\\Program Files", FolderPlace::kProgramFiles},
        {"C:\\Program Files2\\Vantrel\\", FolderPlace::kOrdinary},
        {"C:\\Windows\\Vantrel\\", FolderPlace::kWindows},
        {"C:\\WindowsApps\\", FolderPlace::kOrdinary},
        {"C:\\Users\\加工\\OneDrive\\ツール\\Vantrel\\", FolderPlace::kOneDrive},
        {"C:\\Users\\加工\\OneDrive - 工場\\Vantrel\\", FolderPlace::kOneDrive},
        {"C:\\Users\\加工\\Documents\\Vantrel\\", FolderPlace::kOrdinary},
        // ア (83 41) and ヂ (83 61) differ in the bit that ASCII folding ignores:
        // double-byte characters compare byte for byte.
        {"C:\\Users\\\x83\x61\\OneDrive\\", FolderPlace::kOrdinary},
        {"D:\\NC\\Vantrel\\", FolderPlace::kOrdinary},
    };
    known.onedrive.push_back("C:\\Users\\\x83\x41\\OneDrive");
    for (const Case& c : cases) EXPECT_EQ(ClassifyFolder(c.folder, known), c.place) << c.folder;
}

}  // namespace
