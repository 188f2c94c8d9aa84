#pragma once

#include <windows.h>

#include <string>

// What another process holds, read from outside it, for the soak test's
// "does anything grow per transfer" question. Under Wine 8 the usual calls
// do not answer (GetProcessHandleCount gives 0, GetGuiResources is not
// implemented), so each count comes from where Wine keeps the objects:
//   handles   the system handle table (wineserver), entries of the pid
//   gdi       the GDI handle table the process's PEB points at (Wine keeps
//             it per process, in the process's own memory), used entries
//   windows   windows of the pid, top-level and every child
//   pagefile  the process's committed private memory (VM counters)
// Returns a JSON object body, or an error text in *error.
std::string ProcessCountsJson(DWORD pid, std::string* error);
