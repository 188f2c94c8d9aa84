#pragma once

#include <windows.h>

// Holds a critical section for the life of the guard: entered when made,
// left when it goes out of scope, on every path out of the block.
class LockGuard {
public:
    explicit LockGuard(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~LockGuard() { LeaveCriticalSection(&section_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CRITICAL_SECTION& section_;
};
