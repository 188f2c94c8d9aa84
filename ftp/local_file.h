#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The local files of a transfer: the one read for an upload or a
// comparison, and the one a download is written to.

// The size Windows gives in two halves (WIN32_FIND_DATA, WIN32_FILE_ATTRIBUTE_DATA).
inline std::uint64_t SizeFromHalves(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// The size of the file at `path`; none when it cannot be read or is a folder.
std::optional<std::uint64_t> LocalFileSize(const std::string& path);

// A local file opened for reading, in blocks. A file held open by an editor
// is still read, as the Windows client reads it, and others may write,
// rename or delete it meanwhile: every file sent or compared is opened so.
class LocalFile {
public:
    explicit LocalFile(const std::string& path);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // The count read, 0 at the end, -1 on a read error (GetLastError says which).
    long long Read(char* into, std::size_t capacity);

private:
    HANDLE handle_;
};

// A download's local file: written under a temporary name beside its path
// and renamed to it only when whole (Keep), so that a failure leaves no
// partial file. The temporary file goes when this does, unless kept.
class DownloadFile {
public:
    DownloadFile() = default;
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    // Makes the temporary file in the folder of `path`; false when none can be made.
    bool Create(const std::string& path);
    bool Write(const char* data, std::size_t size);
    // Closes the file and renames it to the path. replace_existing false: a
    // file of that name is never replaced (ERROR_ALREADY_EXISTS).
    bool Keep(bool replace_existing);
    // The system error of the last failed step.
    DWORD error() const { return error_; }

private:
    bool Failed();
    void CloseFile();

    std::string path_;
    std::string temporary_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool kept_ = false;
    DWORD error_ = 0;
};
