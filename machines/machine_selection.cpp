#include "machines/machine_selection.h"

#include "log/message_log.h"
#include "machines/machine_table.h"
#include "platform/controls.h"
#include "resources/resource.h"

int LoadMachineList(HWND main_window)
{
    if (FindMachineTable(main_window) < 0) return -1;

    ComboBox machines(GetDlgItem(main_window, IDC_MACHINE_COMBO));
    machines.ResetContent();  // the list and the edit field

    MachineName name;
    int count = 0;
    for (int slot = 0; slot < kMachineSlots; ++slot) {
        if (ReadMachineSlot(slot, name) == 0) continue;
        machines.AddString(name.c_str());
        ++count;
    }

    // The default name goes into the edit field only; the list's selection
    // stays unset, so the entry's position never has to match the slot.
    ReadMachineSlot(ReadDefaultSlot(0), name);
    if (!name.empty()) machines.SetText(name.c_str());

    // A free default slot reads as the empty name, whose read fails: the
    // caller then opens the registration dialog.
    int read = ReadMachineValue(main_window, name.c_str());
    name.Clear();
    if (read < 0) return 0;
    ShowMachineValue(main_window);
    return count;
}

int SelectMachine(HWND main_window)
{
    ComboBox machines(GetDlgItem(main_window, IDC_MACHINE_COMBO));
    // A confirmation with no entry selected (text typed into the field)
    // must leave the field and the selected machine as they are.
    int selected = machines.GetCurSel();
    if (selected < 0) return 0;
    // The field may still show the text from before the choice: selecting
    // the entry again puts its name there.
    machines.SetCurSel(selected);

    MachineName name;
    if (machines.GetText(name) == 0) return 0;

    PostText(main_window, kListOnly, "---");
    PostText(main_window, kListOnly, "転送先マシニングが選択されました");
    PostText(main_window, kListOnly, "%-12s：%s", "マシニング", name.c_str());
    if (ReadMachineValue(main_window, name.c_str()) >= 0) ShowMachineValue(main_window);
    name.Clear();
    return 0;
}
