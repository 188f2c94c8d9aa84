#pragma once

#include <windows.h>

#include <cstdint>

// Elapsed times on the performance counter, not <chrono>: that header does
// not build with the CP932 execution character set (docs/wine-notes.md).
// Header only, for the programs that link no more than the FTP layer.

// The counter now: the start of a time for MillisecondsSince and SecondsSince.
inline LONGLONG Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline LONGLONG TicksPerSecond()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

inline std::uint64_t MillisecondsSince(LONGLONG start)
{
    LONGLONG frequency = TicksPerSecond();
    LONGLONG ticks = Ticks() - start;
    if (ticks <= 0) return 0;
    // In two steps: ticks * 1000 alone would overflow after some days.
    return static_cast<std::uint64_t>(ticks / frequency * 1000 + ticks % frequency * 1000 / frequency);
}

inline double SecondsSince(LONGLONG start)
{
    return static_cast<double>(Ticks() - start) / static_cast<double>(TicksPerSecond());
}
