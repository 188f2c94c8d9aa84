#pragma once

#include <cstddef>
#include <string>

#include "app/startup_state.h"
#include "text/buffers.h"

// Whether a path names anything on the file system, file or folder.
bool PathExists(const char* path);

// Reads at most head.size() bytes from the start of the file at `path` into
// `head`, which is cut to what was read. False when it cannot be opened.
bool ReadFileHead(const char* path, std::string& head);

// DeleteFileA, tried again for a short while (kDeleteTries every
// kDeleteRetryMs) while the file is held open by another program: virus
// scanners, the search indexer and OneDrive open fresh files for a moment,
// and a control file that stayed would keep its password in tmp\. False
// when it still could not be deleted, or failed for another reason.
inline constexpr int kDeleteTries = 10;
inline constexpr unsigned long kDeleteRetryMs = 100;
bool DeleteFileHeldBriefly(const char* path);

// A path under the program folder: the folder (which ends with a backslash)
// followed directly by `relative` ("tmp\\filelist.tmp", "Log"). Formed whole
// or not at all: a cut path would name another file, so a path that does not
// fit leaves the buffer empty and gives false.
template <std::size_t N>
bool ProgramFolderPath(FixedText<N>& path, const char* relative)
{
    return path.FormatWhole("%s%s", g_startup.program_folder.c_str(), relative);
}
