#include "tests/rig/driver/process_counts.h"

#include <winternl.h>
#include <psapi.h>

#include <vector>

#include "tests/rig/driver/json_out.h"

namespace {

// SystemHandleInformation (16): the short-pid layout; Wine fills it from
// wineserver's handle tables of every process.
struct SystemHandleEntry {
    USHORT pid;
    USHORT creator_back_trace;
    UCHAR object_type;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};

// One entry of the 64-bit GDI shared handle table; Type 0 means unused.
struct GdiTableEntry {
    ULONG64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONG64 user_data;
};
static_assert(sizeof(GdiTableEntry) == 24);

constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0xF8;  // PEB64.GdiSharedHandleTable

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function NtdllFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

long long CountHandles(DWORD pid)
{
    auto query = NtdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    ULONG length = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length))
           == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    long long count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].pid == static_cast<USHORT>(pid)) ++count;
    return count;
}

// Used entries of the table, in all and by object type ("type:count ...").
long long CountGdiObjects(HANDLE process, std::string* by_type)
{
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) return -1;
    ULONG64 table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                           sizeof table, &read) || table == 0)
        return -1;
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiTableEntry), &read))
        return -1;
    long long per_type[256] = {};
    long long count = 0;
    for (const GdiTableEntry& entry : entries) {
        if (entry.type == 0) continue;
        ++per_type[entry.type];
        ++count;
    }
    for (int type = 1; type < 256; ++type)
        if (per_type[type] != 0) *by_type += (by_type->empty() ? "" : " ") + std::to_string(type) + ":" + std::to_string(per_type[type]);
    return count;
}

struct WindowCount {
    DWORD pid;
    long long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param)
{
    auto* counted = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counted->pid) ++counted->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param)
{
    CountChild(window, param);
    // EnumChildWindows walks every descendant, not only direct children.
    EnumChildWindows(window, CountChild, param);
    return TRUE;
}

}  // namespace

std::string ProcessCountsJson(DWORD pid, std::string* error)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) {
        *error = "cannot open process " + std::to_string(pid);
        return {};
    }
    std::string gdi_types;
    long long gdi = CountGdiObjects(process, &gdi_types);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    BOOL have_memory = GetProcessMemoryInfo(process, &memory, sizeof memory);
    CloseHandle(process);

    long long handles = CountHandles(pid);
    WindowCount windows{pid, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    if (handles < 0 || gdi < 0 || !have_memory) {
        *error = "cannot read the counts of process " + std::to_string(pid);
        return {};
    }
    return JsonObject()
        .Int("handles", handles)
        .Int("gdi", gdi)
        .Ascii("gdi_types", gdi_types)
        .Int("windows", windows.count)
        .Int("pagefile", static_cast<long long>(memory.PagefileUsage))
        .Int("working_set", static_cast<long long>(memory.WorkingSetSize))
        .Str();
}
