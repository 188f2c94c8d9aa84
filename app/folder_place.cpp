#include "app/folder_place.h"

#include "text/ascii.h"
#include "text/sjis.h"

namespace {

std::string_view WithoutTrailingBackslash(std::string_view path)
{
    // Whole characters: the trail byte of 表 is 5C.
    if (EndsWithSeparator(path) && path.back() == '\\') path.remove_suffix(1);
    return path;
}

}  // namespace

bool IsInFolder(std::string_view path, std::string_view folder)
{
    folder = WithoutTrailingBackslash(folder);
    if (folder.empty() || path.size() < folder.size()) return false;
    for (std::size_t i = 0, width = 0; i < folder.size(); i += width) {
        width = CharBytes(folder, i);
        if (width == 2) {
            if (path.substr(i, 2) != folder.substr(i, 2)) return false;
        } else if (CharBytes(path, i) != 1 || FoldAsciiCase(path[i]) != FoldAsciiCase(folder[i])) {
            return false;
        }
    }
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

FolderPlace ClassifyFolder(std::string_view program_folder, const KnownFolders& known)
{
    for (const std::string& folder : known.program_files) {
        if (IsInFolder(program_folder, folder)) return FolderPlace::kProgramFiles;
    }
    if (IsInFolder(program_folder, known.windows)) return FolderPlace::kWindows;
    for (const std::string& folder : known.onedrive) {
        if (IsInFolder(program_folder, folder)) return FolderPlace::kOneDrive;
    }
    return FolderPlace::kOrdinary;
}
