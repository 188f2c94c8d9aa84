#include "ftp/local_file.h"

#include "text/sjis.h"

std::optional<std::uint64_t> LocalFileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return SizeFromHalves(data.nFileSizeHigh, data.nFileSizeLow);
}

LocalFile::LocalFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

LocalFile::~LocalFile()
{
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

long long LocalFile::Read(char* into, std::size_t capacity)
{
    DWORD read = 0;
    if (!ReadFile(handle_, into, static_cast<DWORD>(capacity), &read, nullptr)) return -1;
    return read;
}

DownloadFile::~DownloadFile()
{
    CloseFile();
    if (!kept_ && !temporary_.empty()) DeleteFileA(temporary_.c_str());
}

bool DownloadFile::Failed()
{
    error_ = GetLastError();
    return false;
}

void DownloadFile::CloseFile()
{
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool DownloadFile::Create(const std::string& path)
{
    path_ = path;
    PathParts parts = SplitPath(path.c_str(), MAX_PATH);
    std::string folder = parts.drive + parts.directory;
    if (folder.empty()) folder.push_back('.');
    char temporary[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder.c_str(), "ftp", 0, temporary) == 0) return Failed();
    temporary_ = temporary;
    handle_ = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ != INVALID_HANDLE_VALUE || Failed();
}

bool DownloadFile::Write(const char* data, std::size_t size)
{
    DWORD written = 0;
    return (WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr) && written == size) || Failed();
}

bool DownloadFile::Keep(bool replace_existing)
{
    CloseFile();
    if (!MoveFileExA(temporary_.c_str(), path_.c_str(), replace_existing ? MOVEFILE_REPLACE_EXISTING : 0)) {
        return Failed();
    }
    kept_ = true;
    return true;
}
