#pragma once

#include <windows.h>

// Runs the machine registration dialog (SETTINGMACHINEDLG) modally, then
// refills the machine combo box and stores the machine count. Returns 0.
int OpenMachineDialog(HWND main_window, HINSTANCE instance);

// The dialog procedure of SETTINGMACHINEDLG.
INT_PTR CALLBACK MachineDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Empties the registration name's edit field (not its list), the four edit
// boxes, and unchecks both check boxes.
void ClearMachineFields(HWND dialog);

// At opening: lists the names of the slots and resets a "default" that
// points at a free slot.
void LoadDefaultValue(HWND dialog);

// The name picked in the list: reads it into the selected machine record and
// shows it. -1 (error posted) when no name or no complete machine is found.
int LoadMachineValue(HWND dialog);

// Saves the machine typed into the dialog, as a new machine in the first
// free slot or over the machine of the same name; makes it the default when
// its check box says so.
void RegisterFtpValue(HWND dialog);

// Deletes the machine whose name is in the field: its section, its slots,
// and "default" when that pointed at it.
void DeleteFtpValue(HWND dialog);
