#pragma once

// A throw-away program folder for tests that run the program's operations
// in-process: g_startup's folder and settings path point into it while the
// object lives, and it is removed afterwards.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/startup_state.h"

class TempProgramFolder {
public:
    TempProgramFolder()
    {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%svantrel-test-%lu-%d\\", base, GetCurrentProcessId(), ++serial);
        folder_ = name;
        CreateDirectoryA(folder_.c_str(), nullptr);
        saved_folder_ = g_startup.program_folder.c_str();
        saved_settings_ = g_startup.settings_path.c_str();
        g_startup.program_folder.Assign(folder_.c_str());
        g_startup.settings_path.Assign((folder_ + "Vantrel.ini").c_str());
    }
    ~TempProgramFolder()
    {
        g_startup.program_folder.Assign(saved_folder_.c_str());
        g_startup.settings_path.Assign(saved_settings_.c_str());
        RemoveTree(folder_.substr(0, folder_.size() - 1));
    }
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    // The folder, ending with a backslash.
    const std::string& path() const { return folder_; }
    std::string operator/(const std::string& relative) const { return folder_ + relative; }

    void MakeFolder(const std::string& relative) const { CreateDirectoryA((folder_ + relative).c_str(), nullptr); }
    void WriteFile(const std::string& relative, const std::string& bytes) const
    {
        std::FILE* file = std::fopen((folder_ + relative).c_str(), "wb");
        if (file == nullptr) return;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    // The file's bytes exactly as stored; empty when missing.
    std::string ReadFile(const std::string& relative) const
    {
        std::string bytes;
        std::FILE* file = std::fopen((folder_ + relative).c_str(), "rb");
        if (file == nullptr) return bytes;
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
        std::fclose(file);
        return bytes;
    }
    bool Exists(const std::string& relative) const
    {
        return GetFileAttributesA((folder_ + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    static void RemoveTree(const std::string& path)
    {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = entry.cFileName;
                if (name == "." || name == "..") continue;
                std::string child = path + "\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(child);
                } else {
                    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(child.c_str());
                }
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }

    std::string folder_;
    std::string saved_folder_;
    std::string saved_settings_;
};
