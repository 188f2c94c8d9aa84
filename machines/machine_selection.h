#pragma once

#include <windows.h>

// Fills the machine combo box (IDC_MACHINE_COMBO) from the slots and reads the default
// machine. Returns -1 when the table is not named, 0 when the default
// machine could not be read, otherwise the number of names listed.
int LoadMachineList(HWND main_window);

// The user confirmed a choice in the machine combo box. Returns 0.
int SelectMachine(HWND main_window);
