// Stands in for a sibling program in end-to-end tests: writes the command
// line it was given, after its own name, byte for byte to args.txt beside
// itself, and ends with 0. Shows no window.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

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
    std::FILE* out = std::fopen((folder + "args.txt").c_str(), "wb");
    if (out == nullptr) return 1;
    std::fwrite(line, 1, std::strlen(line), out);
    std::fclose(out);
    return 0;
}
