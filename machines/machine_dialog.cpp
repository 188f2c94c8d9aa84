#include "machines/machine_dialog.h"

#include <imm.h>

#include <cstring>
#include <string>

#include "app/main_window.h"
#include "app/startup_state.h"
#include "info/help_lookup.h"
#include "log/message_log.h"
#include "machines/machine_field.h"
#include "machines/machine_selection.h"
#include "machines/machine_table.h"
#include "machines/registration_name.h"
#include "app/window_look.h"
#include "platform/controls.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "text/parse.h"

namespace {

const char* TablePath() { return g_machine_table_path.c_str(); }

ComboBox NameBox(HWND dialog) { return ComboBox(GetDlgItem(dialog, IDC_REGISTRATION_NAME)); }

// Where a registration name stands in the index: `existing` is the slot that
// holds it (ASCII case folded), `free` the first free slot before it, and
// only when the name is new.
struct SlotSearch {
    int free = -1;
    int existing = -1;
};

SlotSearch SearchSlots(const char* registration_name)
{
    SlotSearch found;
    MachineName name;
    for (int slot = 0; slot < kMachineSlots; ++slot) {
        if (ReadMachineSlot(slot, name) > 0) {
            if (EqualsIgnoreAsciiCase(name.c_str(), registration_name)) {
                found.existing = slot;
                break;
            }
        } else if (found.free < 0) {
            found.free = slot;
        }
    }
    if (found.existing >= 0) found.free = -1;
    name.Clear();
    return found;
}

// Reads a required field; empty posts `message` as an error.
template <std::size_t N>
bool ReadRequiredField(HWND dialog, int id, FixedText<N>& text, const char* message)
{
    if (GetItemText(dialog, id, text) > 0) return true;
    PostText(dialog, kError, "%s", message);
    return false;
}

// A field as it is saved: full-width ASCII (an IME left on) folded when
// `fold`, then refused with a box when longer than the field holds, rather
// than cut to another name, address or password. An empty
// value posts `empty_message` unless it is nullptr (the field may be empty).
template <std::size_t N>
bool ReadValueField(HWND dialog, int id, const char* label, bool fold, const char* empty_message, FixedText<N>& value)
{
    LineText typed;
    GetItemText(dialog, id, typed);
    std::string text = fold ? FoldFullWidthAscii(typed.c_str()) : std::string(typed.c_str());
    SecureZeroMemory(typed.data(), typed.kSize);  // it may be the password
    bool fits = text.size() < value.kSize;
    if (fits) value.Assign(text.c_str());
    SecureZeroMemory(text.data(), text.size());
    if (!fits) {
        PostText(dialog, kError, "エラー：%s は %zu バイト（半角 %zu 文字）までです。短くしてから保存してください", label,
                 value.kSize - 1, value.kSize - 1);
        return false;
    }
    if (!value.empty() || empty_message == nullptr) return true;
    PostText(dialog, kError, "%s", empty_message);
    return false;
}

bool WriteOrReport(HWND dialog, const char* section, const char* key, const char* value)
{
    if (WriteProfileText(section, key, value, TablePath())) return true;
    PostText(dialog, kError, "エラー：[%s] %s=%s 書込失敗", section, key, value);
    return false;
}

void ResetDefault(HWND dialog)
{
    if (!WriteProfileText(kIndexSection, "default", "-1", TablePath()))
        PostText(dialog, kListOnly, "エラー：[%s] default=-1 既定マシニング削除失敗", kIndexSection);
}

bool OnCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_REGISTRATION_NAME:
        if (code != CBN_SELENDOK) return false;
        LoadMachineValue(dialog);
        return true;
    case IDM_SAVE:
        RegisterFtpValue(dialog);
        return true;
    case IDM_DELETE:
        DeleteFtpValue(dialog);
        return true;
    case IDM_CLOSE:
        RequestClose(dialog);
        return true;
    case IDM_DIALOG_HELP:
        OpenHelpFile(dialog, "マシニング登録");
        return true;
    case IDM_LOAD_FIELDS:
        LoadDefaultValue(dialog);
        return true;
    default:
        // Includes IDOK and IDCANCEL from Enter and Escape: they do nothing.
        return false;
    }
}

}  // namespace

int OpenMachineDialog(HWND main_window, HINSTANCE instance)
{
    DialogBoxParamA(instance, "SETTINGMACHINEDLG", main_window, MachineDialogProc, 0);
    g_machine_count = LoadMachineList(main_window);
    return 0;
}

// Static-control colour requests come from the two check boxes; the label
// buttons keep their own colours.
INT_PTR CALLBACK MachineDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    INT_PTR answer = FALSE;
    if (AnswerAsEveryDialog(dialog, message, wparam, answer)) return answer;
    switch (message) {
    case WM_INITDIALOG:
        SetSmallProgramIcon(dialog);
        // Address, user and password are ASCII: with the IME on, digits and
        // dots would come full width. Without an input context the IME is
        // off for the field (ImmAssociateContext with NULL, as documented).
        for (int id : {IDC_ADDRESS, IDC_USER_NAME, IDC_PASSWORD}) ImmAssociateContext(GetDlgItem(dialog, id), nullptr);
        SendMessageA(dialog, WM_COMMAND, IDM_LOAD_FIELDS, 0);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    default:
        return FALSE;
    }
}

void ClearMachineFields(HWND dialog)
{
    // On the combo box this empties the edit field; the list stays.
    SetItemText(dialog, IDC_REGISTRATION_NAME, "");
    SetItemText(dialog, IDC_ADDRESS, "");
    SetItemText(dialog, IDC_USER_NAME, "");
    SetItemText(dialog, IDC_PASSWORD, "");
    SetItemText(dialog, IDC_INITIAL_FOLDER, "");
    SetItemChecked(dialog, IDC_EXTENSION_FLAG, false);
    SetItemChecked(dialog, IDC_DEFAULT_MACHINE, false);
}

void LoadDefaultValue(HWND dialog)
{
    PostText(dialog, kListOnly, "routine name : LoadDefaultValue");
    ClearMachineFields(dialog);

    ComboBox names = NameBox(dialog);
    MachineName name;
    for (int slot = 0; slot < kMachineSlots; ++slot)
        if (ReadMachineSlot(slot, name) > 0) names.AddString(name.c_str());

    int default_slot = ReadDefaultSlot(-1);
    if (default_slot >= 0 && ReadMachineSlot(default_slot, name) == 0) {
        PostText(dialog, kListOnly, "エラー：[%s] default=%d 既定マシニングがありません", kIndexSection, default_slot);
        ResetDefault(dialog);
    }
    name.Clear();
}

int LoadMachineValue(HWND dialog)
{
    PostText(dialog, kListOnly, "routine name : LoadMachineValue");

    ComboBox names = NameBox(dialog);
    // No entry selected means the name was typed: keep it and load nothing.
    int selected = names.GetCurSel();
    if (selected < 0) return -1;
    names.SetCurSel(selected);  // puts the picked name into the edit field
    MachineName name;
    if (names.GetText(name) == 0) {
        PostText(dialog, kError, "エラー：マシニング登録名取得失敗");
        return -1;
    }

    if (ReadMachineValue(dialog, name.c_str()) < 0) return -1;
    const MachineRecord& record = g_selected_machine;
    SetItemText(dialog, IDC_ADDRESS, record.address.c_str());
    SetItemText(dialog, IDC_USER_NAME, record.user_name.c_str());
    SetItemText(dialog, IDC_PASSWORD, record.password.c_str());
    SetItemText(dialog, IDC_INITIAL_FOLDER, record.initial_folder.c_str());

    // Both boxes are set either way, so the ticks of the machine loaded
    // before never carry over into a save of this one.
    SetItemChecked(dialog, IDC_EXTENSION_FLAG, record.extension_flag == 1);
    MachineName default_name;
    int default_slot = ReadDefaultSlot(0);
    bool is_default = ReadMachineSlot(default_slot, default_name) > 0 &&
                      std::strcmp(default_name.c_str(), name.c_str()) == 0;
    SetItemChecked(dialog, IDC_DEFAULT_MACHINE, is_default);
    name.Clear();
    default_name.Clear();
    return 0;
}

void RegisterFtpValue(HWND dialog)
{
    PostText(dialog, kListOnly, "routine name : RegisterFtpValue");

    MachineName name;
    FieldText address;
    FieldText user_name;
    FieldText password;
    FieldText initial_folder;
    if (!ReadValueField(dialog, IDC_REGISTRATION_NAME, "マシニング登録名", false, "エラー：マシニング登録名取得失敗", name))
        return;
    if (const char* fault = RegistrationNameFault(name.c_str())) {
        PostText(dialog, kError, "%s", fault);
        return;
    }
    // The folder may have a Japanese name on the server: it is taken as typed.
    if (!ReadValueField(dialog, IDC_ADDRESS, "ＩＰアドレス", true, "エラー：ＩＰアドレス取得失敗", address) ||
        !ReadValueField(dialog, IDC_USER_NAME, "ユーザー名", true, "エラー：FTPユーザー取得失敗", user_name) ||
        !ReadValueField(dialog, IDC_PASSWORD, "パスワード", true, "エラー：FTPパスワード取得失敗", password) ||
        !ReadValueField(dialog, IDC_INITIAL_FOLDER, "初期フォルダ", false, nullptr, initial_folder))
        return;
    const char* extension = IsItemChecked(dialog, IDC_EXTENSION_FLAG) ? "1" : "0";

    // The index is searched before anything is written: with all slots taken
    // a new machine is refused whole instead of leaving a section no slot
    // reaches.
    SlotSearch slots = SearchSlots(name.c_str());
    if (slots.existing < 0 && slots.free < 0) {
        PostText(dialog, kError,
                 "エラー：マシニングは%d台まで登録できます。先に登録済みのマシニングを削除してください",
                 kMachineSlots);
        return;
    }

    struct KeyValue {
        const char* key;
        const char* value;
    };
    const KeyValue machine_keys[] = {
        {"address", address.c_str()},   {"username", user_name.c_str()},
        {"password", password.c_str()}, {"initpath", initial_folder.c_str()},
        {"extention", extension},
    };
    for (const KeyValue& entry : machine_keys)
        if (!WriteOrReport(dialog, name.c_str(), entry.key, entry.value)) return;

    PostText(dialog, kListOnly, "??? icheck=%d | inumber=%d", slots.free, slots.existing);
    bool is_new = slots.free >= 0;
    if (is_new) {
        PostText(dialog, kListOnly, "??? %d マシニング登録", slots.free);
        if (!WriteOrReport(dialog, kIndexSection, MachineSlotKey(slots.free).c_str(), name.c_str())) return;
    }
    if (IsItemChecked(dialog, IDC_DEFAULT_MACHINE)) {
        FieldText number;
        number.Format("%d", is_new ? slots.free : slots.existing);
        if (!WriteOrReport(dialog, kIndexSection, "default", number.c_str())) return;
    }
    PostText(dialog, kInformation, "%s",
             is_new ? "新規にマシニング情報を登録しました" : "マシニングの既定値を保存しました。");
}

void DeleteFtpValue(HWND dialog)
{
    PostText(dialog, kListOnly, "routine name : DeleteFtpValue");

    MachineName name;
    if (!ReadRequiredField(dialog, IDC_REGISTRATION_NAME, name, "エラー：マシニング登録名取得失敗")) return;
    // The same names as for saving: " MC1" would remove MC1's section and
    // leave its slot, and "machine" would remove the whole index.
    if (const char* fault = RegistrationNameFault(name.c_str())) {
        PostText(dialog, kError, "%s", fault);
        return;
    }

    if (!DeleteProfileSection(name.c_str(), TablePath()))
        PostText(dialog, kListOnly, "エラー：[%s] データの削除失敗", name.c_str());

    bool blanked[kMachineSlots] = {};
    MachineName slot_name;
    for (int slot = 0; slot < kMachineSlots; ++slot) {
        if (ReadMachineSlot(slot, slot_name) == 0 || !EqualsIgnoreAsciiCase(slot_name.c_str(), name.c_str()))
            continue;
        blanked[slot] = true;
        FieldText key = MachineSlotKey(slot);
        if (!WriteProfileText(kIndexSection, key.c_str(), "", TablePath()))
            PostText(dialog, kListOnly, "エラー：[%s] %s= マシニング名削除失敗", kIndexSection, key.c_str());
    }
    slot_name.Clear();

    // A hand-edited index may hold the name twice; "default" is reset when
    // it pointed at any of them, not only at the last.
    int default_slot = ReadDefaultSlot(0);
    if (default_slot >= 0 && default_slot < kMachineSlots && blanked[default_slot]) {
        PostText(dialog, kListOnly, "... 既定マシニング名削除しました");
        ResetDefault(dialog);
    }
    ClearMachineFields(dialog);
}
