// The initial settings dialog: the main window's position (X, Y fractions)
// and the two colours. The four edit boxes are the only working copy of the
// values; the settings file changes only on save.
#include "settings/initial_settings_dialog.h"

#include <commdlg.h>

#include "app/main_window.h"
#include "app/startup_state.h"
#include "log/message_log.h"
#include "app/window_look.h"
#include "platform/brush.h"
#include "platform/controls.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "settings/settings_file.h"
#include "text/parse.h"

namespace {

// At most 15 bytes of a box or a stored value take part in anything.
using SettingText = FieldText;

struct SettingKey {
    const char* section;
    const char* key;
    int box;
};

// The order of loading and saving.
constexpr SettingKey kSettingKeys[] = {
    {"window", "X", IDC_POSITION_X},
    {"window", "Y", IDC_POSITION_Y},
    {"color", "window", IDC_WINDOW_COLOR},
    {"color", "text", IDC_TEXT_COLOR},
};

// Colour answers are asked for at every paint: one cached brush per colour
// in use, remade only when that colour changes.
SolidBrush g_position_box;
SolidBrush g_window_color_box;
SolidBrush g_text_color_box;

HWND MainWindowOf(HWND dialog) { return GetWindow(dialog, GW_OWNER); }

const char* SettingsPath() { return g_startup.settings_path.c_str(); }

// Checks both position boxes, corrects a value outside 0..1 to "0" or "1"
// (one error per correction) and moves the main window live. The box is
// corrected before the error box is shown: the error box takes the focus,
// which can run this check again from the other box's kill-focus.
void CheckWindowPosition(HWND dialog)
{
    double fractions[2] = {0.0, 0.0};
    const int boxes[2] = {IDC_POSITION_X, IDC_POSITION_Y};
    for (int i = 0; i < 2; ++i) {
        SettingText text;
        if (GetItemText(dialog, boxes[i], text) > 0) fractions[i] = ParseFraction(text.c_str());
        const char* correction = nullptr;
        if (fractions[i] < 0.0) {
            fractions[i] = 0.0;
            correction = "0";
        } else if (fractions[i] > 1.0) {
            fractions[i] = 1.0;
            correction = "1";
        }
        if (correction != nullptr) {
            SetItemText(dialog, boxes[i], correction);
            PostText(dialog, kError, "データは 0～1 の範囲にして下さい。");
        }
    }
    MoveMainWindow(MainWindowOf(dialog), fractions[0], fractions[1]);
}

void LoadInitialSettings(HWND dialog)
{
    for (const SettingKey& setting : kSettingKeys) {
        SettingText value;
        if (ReadProfileText(setting.section, setting.key, value, SettingsPath()) > 0)
            SetItemText(dialog, setting.box, value.c_str());
    }
    CheckWindowPosition(dialog);
}

// Components that the box's text does not give are 0.
ColorRecord BoxColor(const SettingText& text)
{
    ColorRecord color = {0, 0, 0};
    ScanColorText(text.c_str(), color);
    return color;
}

// Lets the user pick the colour of a colour box. 0 when a colour was
// chosen, -1 when the chooser was cancelled.
int ChooseSettingColor(HWND dialog, int box)
{
    SettingText text;
    if (GetItemText(dialog, box, text) == 0) text.Assign("0,0,0");
    COLORREF start = ColorValueOf(BoxColor(text));

    // Fresh each time: the starting colour and fifteen white ones.
    COLORREF custom_colors[16];
    custom_colors[0] = start;
    for (int i = 1; i < 16; ++i) custom_colors[i] = RGB(255, 255, 255);

    CHOOSECOLORA chooser = {};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = dialog;
    chooser.rgbResult = start;
    chooser.lpCustColors = custom_colors;
    chooser.Flags = CC_RGBINIT;
    if (!ChooseColorA(&chooser)) return -1;

    text.Format("%d,%d,%d", GetRValue(chooser.rgbResult), GetGValue(chooser.rgbResult), GetBValue(chooser.rgbResult));
    SetItemText(dialog, box, text.c_str());
    return 0;
}

// The box's colour and the colour its text is drawn in. -1 for an empty box.
int MakeContrastColor(HWND dialog, int box, ColorRecord& parsed, ColorRecord& contrast)
{
    SettingText text;
    if (GetItemText(dialog, box, text) == 0) return -1;
    parsed = BoxColor(text);
    contrast = ContrastColor(parsed);
    return 0;
}

// Writes each non-empty box that differs from its stored value (as text,
// ignoring ASCII case), stopping at the first failed write; then applies
// what is stored and reports how many values were written.
int SaveInitialSettings(HWND dialog)
{
    int written = 0;
    for (const SettingKey& setting : kSettingKeys) {
        SettingText stored;
        ReadProfileText(setting.section, setting.key, stored, SettingsPath());
        SettingText box;
        GetItemText(dialog, setting.box, box);
        if (!SettingNeedsWrite(box.c_str(), stored.c_str())) continue;
        if (!WriteProfileText(setting.section, setting.key, box.c_str(), SettingsPath()))
            return PostText(dialog, kError, "エラー：[%s] %s=%s 書込失敗", setting.section, setting.key, box.c_str());
        ++written;
    }

    PlaceMainWindow(MainWindowOf(dialog));
    ReadColorValue("window", g_startup.window_color);
    ReadColorValue("text", g_startup.text_color);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    if (written > 0) return PostText(dialog, kInformation, "%d個の設定値を保存しました\n再起動時に有効になります", written);
    return PostText(dialog, kInformation, "設定値に変更はありません");
}

HBRUSH ColorBoxBrush(int box, COLORREF color)
{
    return (box == IDC_WINDOW_COLOR ? g_window_color_box : g_text_color_box).Get(color);
}

// WM_CTLCOLOREDIT: a colour box shows its own colour with its contrast
// colour as text; the position boxes are white. An empty colour box keeps
// the platform's look.
INT_PTR EditColors(HWND dialog, HDC dc, HWND edit)
{
    int box = GetDlgCtrlID(edit);
    if (box == IDC_POSITION_X || box == IDC_POSITION_Y) {
        SetBkMode(dc, OPAQUE);
        return reinterpret_cast<INT_PTR>(g_position_box.Get(RGB(255, 255, 255)));
    }
    ColorRecord parsed;
    ColorRecord contrast;
    if ((box != IDC_WINDOW_COLOR && box != IDC_TEXT_COLOR) || MakeContrastColor(dialog, box, parsed, contrast) != 0)
        return FALSE;
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, ColorValueOf(contrast));
    SetBkColor(dc, ColorValueOf(parsed));
    return reinterpret_cast<INT_PTR>(ColorBoxBrush(box, ColorValueOf(parsed)));
}

// True when the command was this dialog's.
bool OnCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDC_POSITION_X:
    case IDC_POSITION_Y:
        if (code != EN_KILLFOCUS) return false;
        CheckWindowPosition(dialog);
        return true;
    case IDC_WINDOW_COLOR_BUTTON:
    case IDC_TEXT_COLOR_BUTTON:
        if (code != BN_CLICKED) return false;
        ChooseSettingColor(dialog, id + COLOR_BUTTON_OFFSET);
        return true;
    case IDM_SAVE:
        SaveInitialSettings(dialog);
        return true;
    case IDM_CLOSE:
        RequestClose(dialog);
        return true;
    case IDM_DIALOG_HELP:
        PostText(dialog, kInformation, "ヘルプファイル作成中");
        return true;
    case IDM_LOAD_FIELDS:
        LoadInitialSettings(dialog);
        return true;
    default:
        // IDOK and IDCANCEL (Enter, Escape) and IDM_DELETE do nothing here.
        return false;
    }
}

INT_PTR CALLBACK InitialSettingsProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    INT_PTR answer = FALSE;
    if (AnswerAsEveryDialog(dialog, message, wparam, answer)) return answer;
    switch (message) {
    case WM_INITDIALOG:
        SetSmallProgramIcon(dialog);
        SendMessageA(dialog, WM_COMMAND, IDM_LOAD_FIELDS, 0);
        return TRUE;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_CTLCOLOREDIT:
        return EditColors(dialog, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    default:
        return FALSE;
    }
}

}  // namespace

void OpenInitialSettingsDialog(HWND main_window)
{
    DialogBoxParamA(GetModuleHandleA(nullptr), "INITIALSETTINGDLG", main_window, InitialSettingsProc, 0);
}
