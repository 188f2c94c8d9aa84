#pragma once

#include <windows.h>

#include "machines/machine_record.h"
#include "text/buffers.h"

// The machine table file: named by [table] machine of the settings file,
// relative to the program folder. Index section "machine" with slots
// machine0..machine9 and "default"; one section per registered machine.

inline constexpr int kMachineSlots = 10;
inline constexpr const char* kIndexSection = "machine";

// Full path of the machine table file; empty until FindMachineTable sets it.
extern PathText g_machine_table_path;

// 0 when the machine table path is usable, -1 (error posted) when the
// settings file names no table.
int FindMachineTable(HWND owner);

// Reads one machine into g_selected_machine. Returns the fields-read count
// (3 or 4), or -1 after posting which value is missing.
int ReadMachineValue(HWND owner, const char* registration_name);

// Posts the selected machine record to the message list. Returns 0.
int ShowMachineValue(HWND owner);

// The key of slot `slot` in the index section: "machine" and the number.
FieldText MachineSlotKey(int slot);

// The name in slot `slot` ("machine%d"); 0 bytes when free or out of range.
std::size_t ReadMachineSlot(int slot, MachineName& name);

// The index section's "default": a slot number or -1. Each reader has its
// own value for a missing key (the fill of the combo box 0, the check at
// the dialog's opening -1, ...).
int ReadDefaultSlot(int value_when_missing);
