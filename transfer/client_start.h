#pragma once

// Starting the client again after a start that failed through no fault of
// the program. Seen under Wine on a loaded machine: CreateProcessA of an
// ftp.exe that is there and runs fine failed once, for one file of a long
// run, with ERROR_INTERNAL_ERROR (docs/wine-notes.md, "A start that fails once").
// A client that never started has sent nothing, so starting it again cannot
// send a file twice. A start that fails because of the program itself (not
// found, denied, not a program) fails the same way each time and is not
// tried again.

// The system's errors that say it was short of something at that moment, not
// that anything is wrong with the program (winerror.h's values; the Windows
// build checks them against its own).
constexpr unsigned long kStartErrorNotEnoughMemory = 8;     // ERROR_NOT_ENOUGH_MEMORY
constexpr unsigned long kStartErrorOutOfMemory = 14;        // ERROR_OUTOFMEMORY
constexpr unsigned long kStartErrorInternal = 1359;         // ERROR_INTERNAL_ERROR
constexpr unsigned long kStartErrorNoResources = 1450;      // ERROR_NO_SYSTEM_RESOURCES
constexpr unsigned long kStartErrorCommitmentLimit = 1455;  // ERROR_COMMITMENT_LIMIT

// Starts in all, and the pause before each start after the first (the load
// that made one fail has a moment to pass; the window is not served for it).
constexpr int kClientStartTries = 3;
constexpr unsigned kClientStartPauseMs = 250;

constexpr bool StartFailureMayPass(unsigned long error)
{
    return error == kStartErrorNotEnoughMemory || error == kStartErrorOutOfMemory || error == kStartErrorInternal ||
           error == kStartErrorNoResources || error == kStartErrorCommitmentLimit;
}

struct StartTries {
    bool started = false;
    unsigned long error = 0;        // of the last start that failed
    unsigned long first_error = 0;  // of the first, which a retry followed
    int retries = 0;
};

// Calls start(error) until it returns true, for at most kClientStartTries
// starts, while each failure's error may pass; pause() is called before
// each start after the first.
template <class Start, class Pause>
StartTries StartWithRetries(Start start, Pause pause)
{
    StartTries tries;
    for (int count = 1;; ++count) {
        unsigned long error = 0;
        if (start(error)) {
            tries.started = true;
            tries.error = 0;
            return tries;
        }
        tries.error = error;
        if (count == 1) tries.first_error = error;
        if (count == kClientStartTries || !StartFailureMayPass(error)) return tries;
        ++tries.retries;
        pause();
    }
}
