#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where the program folder lies, as far as Windows treats it specially.
// Needs no Windows: the folders are given (app/program_folder_check.cpp
// asks the system for them).
enum class FolderPlace {
    kOrdinary,
    kProgramFiles,  // under Program Files or Program Files (x86): writable for administrators only
    kWindows,       // under the Windows folder: the same
    kOneDrive,      // under a OneDrive folder: what is written there is synced to the cloud
};

struct KnownFolders {
    std::vector<std::string> program_files;  // %ProgramFiles%, %ProgramFiles(x86)%, ...
    std::string windows;                     // %SystemRoot%
    std::vector<std::string> onedrive;       // %OneDrive%, %OneDriveCommercial%, %OneDriveConsumer%
};

// Whether `path` is `folder` or lies inside it: the ASCII case ignored (as
// Windows compares names), double-byte characters byte for byte, a
// trailing backslash on either allowed; "C:\Program Files2" is not inside
// "C:\Program Files". An empty folder contains nothing.
bool IsInFolder(std::string_view path, std::string_view folder);

// The first of Program Files, Windows and OneDrive that holds `program_folder`.
FolderPlace ClassifyFolder(std::string_view program_folder, const KnownFolders& known);
