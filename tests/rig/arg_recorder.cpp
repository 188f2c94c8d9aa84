// Stands in for a sibling program in end-to-end tests: writes the command
// line it was given, after its own name, byte for byte to args.txt beside
// itself, and the folder it was started in to cwd.txt, and ends with 0.
// Shows no window.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* line = GetCommandLineA();
    // Skip the program's own name, quoted or not, and the one blank after it.
    if (*line == '"') {
        const char* close = std::strchr(line + 1, '"');
        line = close != nullptr ? close + 1 : line + std::strlen(line);
    } else {
        while (*line != '\0' && *line != ' ') ++line;
    }
    if (*line == ' ') ++line;

    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    char current[MAX_PATH] = {};
    DWORD current_length = GetCurrentDirectoryA(MAX_PATH, current);
    const std::pair<const char*, std::string> records[] = {{"cwd.txt", std::string(current, current_length)},
                                                           {"args.txt", line}};
    // args.txt last: a test that waits for it finds both.
    for (const auto& [name, text] : records) {
        std::FILE* out = std::fopen((folder + name).c_str(), "wb");
        if (out == nullptr) return 1;
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    return 0;
}
