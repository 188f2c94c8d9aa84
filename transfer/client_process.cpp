#include "transfer/client_process.h"

#include <algorithm>

#include "ftp/system_client.h"
#include "transfer/client_start.h"
#include "transfer/served_wait.h"

static_assert(kStartErrorNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY && kStartErrorOutOfMemory == ERROR_OUTOFMEMORY &&
              kStartErrorInternal == ERROR_INTERNAL_ERROR && kStartErrorNoResources == ERROR_NO_SYSTEM_RESOURCES &&
              kStartErrorCommitmentLimit == ERROR_COMMITMENT_LIMIT);

namespace {

// The pipe's buffer. The client's whole output for one file is a few
// hundred bytes; the pipe is read at every wake-up all the same, so a
// client that prints more only waits until the next one.
constexpr DWORD kPipeBytes = 64 * 1024;
// Longest sleep between two reads of the pipe while the client runs. The
// client's end wakes the wait at once; this only bounds how long a client
// that fills the pipe waits for it to be read.
constexpr DWORD kPipeReadMs = 50;
// The exit status given to a client that is terminated, and how long its
// end is waited for afterwards (TerminateProcess only starts it).
constexpr UINT kTerminatedStatus = 1;
constexpr DWORD kTerminationWaitMs = 5000;

// Appends what the pipe holds now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string& output)
{
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        std::size_t old_size = output.size();
        output.resize(old_size + available);
        DWORD got = 0;
        if (!ReadFile(pipe, output.data() + old_size, available, &got, nullptr)) got = 0;
        output.resize(old_size + got);
        if (got == 0) return;
    }
}

}  // namespace

ClientRun RunClient(const char* program, const char* parameters, const char* folder, std::uint64_t limit_ms)
{
    ClientRun run;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE output = nullptr;
    HANDLE client_output = nullptr;
    if (!CreatePipe(&output, &client_output, &inherited, kPipeBytes)) return run;
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    // Nothing to read: a client that asks for more than its script holds
    // gets the end of its input instead of waiting for a keyboard.
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                               nullptr);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = client_output;
    startup.hStdError = client_output;
    std::string command_line = std::string("\"") + program + "\" " + parameters;
    PROCESS_INFORMATION process = {};
    // CREATE_NO_WINDOW: "The process is a console application that is being
    // run without a console window" (Microsoft Learn, "Process Creation
    // Flags"): no console flashes up per file, and none is paid for.
    StartTries tries = StartWithRetries(
        [&](unsigned long& error) {
            if (CreateProcessA(program, command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, folder,
                               &startup, &process))
                return true;
            error = GetLastError();
            return false;
        },
        [] { Sleep(kClientStartPauseMs); });
    bool created = tries.started;
    run.start_error = tries.error;
    run.start_retries = tries.retries;
    run.first_start_error = tries.first_error;
    CloseHandle(client_output);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (!created) {
        CloseHandle(output);
        return run;
    }
    CloseHandle(process.hThread);
    run.started = true;

    bool quit = false;
    WPARAM quit_code = 0;
    ULONGLONG deadline = GetTickCount64() + limit_ms;
    for (;;) {
        ReadAvailable(output, run.output);
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            TerminateProcess(process.hProcess, kTerminatedStatus);
            WaitForSingleObject(process.hProcess, kTerminationWaitMs);
            run.ended_by_limit = true;
            break;
        }
        DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kPipeReadMs));
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &process.hProcess, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_OBJECT_0 + 1) ServeWindowMessages(quit, quit_code);
        if (woke == WAIT_FAILED && WaitForSingleObject(process.hProcess, wait) == WAIT_OBJECT_0) break;
    }
    // What it wrote before it ended is in the pipe now. Not read to the
    // pipe's end: a program the client started could hold its other end.
    ReadAvailable(output, run.output);
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(output);
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
    return run;
}

std::uint64_t ClientTimeLimitMs(const FtpTimeouts& timeouts, std::uint64_t size)
{
    return timeouts.connect_ms + timeouts.reply_ms + ListingAllowanceMs(timeouts, size);
}

ScriptEncoding ClientScriptEncoding(const char* program)
{
    ClientVersion file = FileVersionOf(program);
    VersionNumber version{file.major, file.minor};
    return ScriptEncodingForClient(file.found ? &version : nullptr, ReportedSystemVersion());
}
