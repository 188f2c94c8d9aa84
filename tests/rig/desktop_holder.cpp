// Keeps a lane's Wine desktop open for the whole test run. Started once per
// lane by scripts/test.sh and ended with the lane's wineserver.
//
// Measured under Debian's Wine 8: the desktop process (explorer.exe
// /desktop) ends about 2 s after the last program with a window has gone,
// and the next program starts a new one. Between two tests that happens
// every time, so each test program starts while a desktop is being torn
// down or brought up. A thread that stays on the desktop keeps it (and its
// explorer.exe) for good, as on Windows, where the desktop never closes
// under a starting program. The window is message-only: no test that lists
// top-level windows sees it. Once it is made, the file named by the command
// line is created: the lane's first test starts only then, not while the
// desktop is still being made.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR ready_file, int)
{
    if (CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr) == nullptr)
        return 1;
    HANDLE ready = CreateFileA(ready_file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
