#include "machines/machine_table.h"

#include "app/startup_state.h"
#include "log/message_log.h"
#include "platform/files.h"
#include "platform/profile.h"

PathText g_machine_table_path;
MachineRecord g_selected_machine;

int FindMachineTable(HWND owner)
{
    // While the file is missing (before the first machine is saved) the
    // setting is read again on every call, so a corrected name takes effect
    // without a restart; once the file exists the path stays.
    if (!g_machine_table_path.empty() && PathExists(g_machine_table_path.c_str())) return 0;

    FixedText<64> name;
    if (ReadProfileText("table", "machine", name, g_startup.settings_path.c_str()) == 0) {
        PostText(owner, kError, "エラー：接続マシニングテーブル取得失敗");
        return -1;
    }
    if (g_startup.program_folder.size() + name.size() >= g_machine_table_path.kSize) {
        // A cut path would name another file.
        PostText(owner, kError, "エラー：接続マシニングテーブルのパスが長すぎます（%s）", name.c_str());
        return -1;
    }
    g_machine_table_path.Format("%s%s", g_startup.program_folder.c_str(), name.c_str());
    name.Clear();

    if (g_startup.logmode == 11)
        PostText(owner, kListOnly, "... 接続マシニングテーブル %s", g_machine_table_path.c_str());
    return 0;
}

int ReadMachineValue(HWND owner, const char* registration_name)
{
    MachineRecord& record = g_selected_machine;
    record.fields_read = 0;
    record.name.Assign(registration_name);
    record.address.Clear();
    record.user_name.Clear();
    record.password.Clear();
    record.initial_folder.Clear();
    // The extension flag keeps the previous machine's value until the read
    // gets that far.

    const char* path = g_machine_table_path.c_str();
    // An empty name denotes no machine, even if a hand-edited file has a "[]" section.
    if (registration_name[0] == '\0' || ReadProfileText(registration_name, "address", record.address, path) == 0) {
        PostText(owner, kError, "エラー：IPアドレス取得失敗");
        return -1;
    }
    record.fields_read = 1;
    if (ReadProfileText(registration_name, "username", record.user_name, path) == 0) {
        PostText(owner, kError, "エラー：ユーザー名取得失敗");
        return -1;
    }
    record.fields_read = 2;
    if (ReadProfileText(registration_name, "password", record.password, path) == 0) {
        PostText(owner, kError, "エラー：パスワード取得失敗");
        return -1;
    }
    record.fields_read = 3;
    if (ReadProfileText(registration_name, "initpath", record.initial_folder, path) > 0) record.fields_read = 4;

    record.extension_flag = ReadProfileInt(registration_name, "extention", 0, path);
    return record.fields_read;
}

int ShowMachineValue(HWND owner)
{
    const MachineRecord& record = g_selected_machine;
    PostText(owner, kListOnly, "%-12s : %s", "IPアドレス", record.address.c_str());
    PostText(owner, kListOnly, "%-12s : %s", "ユーザー名", record.user_name.c_str());
    PostText(owner, kListOnly, "%-12s : %s", "パスワード", record.password.c_str());
    if (record.has_initial_folder()) PostText(owner, kListOnly, "%-12s : %s", "初期フォルダ", record.initial_folder.c_str());
    if (record.extension_flag == 1) PostText(owner, kListOnly, "%-12s : %d", "拡張子（有）", record.extension_flag);
    return 0;
}

FieldText MachineSlotKey(int slot)
{
    FieldText key;
    key.Format("%s%d", kIndexSection, slot);
    return key;
}

std::size_t ReadMachineSlot(int slot, MachineName& name)
{
    name.Clear();
    // Only machine0..machine9 are slots; "default" = -1 or a hand-edited
    // number beyond 9 names none.
    if (slot < 0 || slot >= kMachineSlots) return 0;
    return ReadProfileText(kIndexSection, MachineSlotKey(slot).c_str(), name, g_machine_table_path.c_str());
}

int ReadDefaultSlot(int value_when_missing)
{
    return ReadProfileInt(kIndexSection, "default", value_when_missing, g_machine_table_path.c_str());
}
