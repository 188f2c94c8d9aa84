#include "transfer/served_wait.h"

namespace {

// Messages served at one wake-up before the caller looks at what it waits
// for again.
constexpr int kMessagesPerWake = 64;

// Keyboard and mouse input, in the client area and on the frame.
bool IsInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_MOUSEHOVER ||
           message == WM_MOUSELEAVE || message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE;
}

DWORD WINAPI RunWork(void* work)
{
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

}  // namespace

void ServeWindowMessages(bool& quit, WPARAM& quit_code)
{
    MSG message;
    for (int served = 0; served < kMessagesPerWake && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++served) {
        if (message.message == WM_QUIT) {
            quit = true;
            quit_code = message.wParam;
        } else if (!IsInput(message.message)) {
            DispatchMessageA(&message);
        }
    }
}

void RunServingWindows(const std::function<void()>& work)
{
    HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (thread == nullptr) {
        // No thread to be had: the work is done here, the windows wait.
        work();
        return;
    }
    bool quit = false;
    WPARAM quit_code = 0;
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_OBJECT_0 + 1) ServeWindowMessages(quit, quit_code);
        if (woke == WAIT_FAILED) {
            WaitForSingleObject(thread, INFINITE);
            break;
        }
    }
    CloseHandle(thread);
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
}
